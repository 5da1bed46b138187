#include "render/PdfAssembly.h"

#include "platform/AtomicFile.h"
#include "platform/Errors.h"
#include "render/SideBySide.h"

#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>
#include <qpdf/QUtil.hh>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <exception>
#include <memory>
#include <stdexcept>
#include <thread>

namespace {

using QH = QPDFObjectHandle;

// Objects written as PDF text, each under its number. Links come by the
// ten thousand; as qpdf objects each would cost kilobytes of memory and
// its share of time to build, write and free.
class TTextObjects {
public:
    // Text appended to the returned buffer, up to the next begin, is the
    // object's.
    QByteArray& begin(int number) {
        objects_.push_back({number, text_.size()});
        return text_;
    }
    void reserve(std::size_t count, qsizetype bytes) {
        objects_.reserve(count);
        text_.reserve(bytes);
    }
    std::size_t size() const { return objects_.size(); }
    int number(std::size_t i) const { return objects_[i].Number; }
    QByteArrayView text(std::size_t i) const {
        const qsizetype end = i + 1 < objects_.size() ? objects_[i + 1].Begin : text_.size();
        return QByteArrayView(text_).sliced(objects_[i].Begin, end - objects_[i].Begin);
    }

private:
    struct TObject {
        int Number;
        qsizetype Begin;
    };
    std::vector<TObject> objects_;
    QByteArray text_;
};

// value in decimal, appended without a temporary: links come by the ten
// thousand, each with a handful of numbers.
void appendInt(QByteArray& text, qint64 value) {
    char digits[24];
    const char* end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    text.append(digits, end - digits);
}

void appendRef(QByteArray& text, int number) {
    appendInt(text, number);
    text.append(" 0 R");
}

// A number as qpdf writes a real of so many decimals (0: up to six), with
// no trailing zeros. Places on a page are whole hundredths (page units are
// 3/4 of a point), which are written here without qpdf's string streams:
// those took a tenth of the time that navigation costs.
void appendReal(QByteArray& text, double value, int decimals = 0) {
    const double hundredths = std::round(value * 100);
    if (hundredths != value * 100 || std::abs(hundredths) > 1e15) {
        text.append(QUtil::double_to_string(value, decimals));
        return;
    }
    const qint64 whole = qint64(std::abs(hundredths));
    if (hundredths < 0 && whole > 0) text.append('-');
    appendInt(text, whole / 100);
    if (const int cents = int(whole % 100)) {
        text.append('.').append(char('0' + cents / 10));
        if (cents % 10) text.append(char('0' + cents % 10));
    }
}

std::string utf8(const QString& text) {
    return text.toUtf8().toStdString();
}

QString pdfDate(const QDateTime& when) {
    const int offset = when.offsetFromUtc();
    const int minutes = qAbs(offset) / 60;
    return when.toString(QStringLiteral("'D:'yyyyMMddHHmmss")) + (offset < 0 ? '-' : '+') +
           QStringLiteral("%1'%2'")
               .arg(minutes / 60, 2, 10, QChar('0'))
               .arg(minutes % 60, 2, 10, QChar('0'));
}

// The document being assembled: its pages and how page units map onto
// each page's media box. The navigation is only checked and noted as it is
// added, with a reserved object where the document refers to it (a page's
// /Annots, the catalog's /Outlines and /PageLabels); navigationObjects then
// writes it as text, once qpdf makes no more objects.
class TAssembly {
public:
    explicit TAssembly(QPDF& pdf) : pdf_(pdf), pages_(QPDFPageDocumentHelper(pdf).getAllPages()) {}

    int pageCount() const { return int(pages_.size()); }

    void addLinks(const std::vector<TPdfLink>& links) {
        links_ = &links;
        linkOrder_.resize(links.size());
        for (std::size_t i = 0; i < links.size(); ++i) {
            pageAt(links[i].Page);
            pageAt(links[i].Target.Page);
            linkOrder_[i] = i;
        }
        std::stable_sort(linkOrder_.begin(), linkOrder_.end(), [&](std::size_t a, std::size_t b) {
            return links[a].Page < links[b].Page;
        });
        for (std::size_t i = 0; i < linkOrder_.size(); ++i) {
            const int page = links[linkOrder_[i]].Page;
            if (i > 0 && links[linkOrder_[i - 1]].Page == page) continue;
            QH pageObject = pageAt(page).getObjectHandle();
            // Annotations the page had stay first.
            std::string kept;
            QH old = pageObject.getKey("/Annots");
            if (old.isArray())
                for (QH item : old.aitems())
                    kept += item.unparse() + ' ';
            annotArrays_.push_back({i, reserve(pageObject, "/Annots"), std::move(kept)});
        }
    }

    // Files and procedures start closed; the top level shows them.
    void addBookmarks(const std::vector<TPdfBookmark>& top) {
        if (top.empty()) return;
        checkPlaces(top);
        bookmarks_ = &top;
        QH root = pdf_.getRoot();
        outlines_ = reserve(root, "/Outlines");
        root.replaceKey("/PageMode", QH::newName("/UseOutlines"));
    }

    // Runs of consecutive numbers share one decimal range; every other
    // label is a range of one page with the label as its prefix.
    void addPageLabels(const QStringList& labels) {
        if (labels.isEmpty()) return;
        if (labels.size() != pageCount())
            throw TListoraError(
                QStringLiteral("%1 page labels for %2 pages").arg(labels.size()).arg(pageCount()));
        labels_ = &labels;
        labelTree_ = reserve(pdf_.getRoot(), "/PageLabels");
    }

    void setInfo(const TPdfDocumentInfo& info) {
        if (info.Title.isEmpty()) return;
        QH dict = QH::newDictionary({
            {"/Title", QH::newUnicodeString(utf8(info.Title))},
            {"/Subject", QH::newUnicodeString(utf8(info.Subject))},
            {"/Creator", QH::newUnicodeString(utf8(info.Creator))},
            {"/Producer", QH::newUnicodeString(utf8(info.Creator))},
        });
        if (info.Created.isValid())
            dict.replaceKey("/CreationDate", QH::newString(utf8(pdfDate(info.Created))));
        QH made = pdf_.makeIndirectObject(dict);
        changed_.push_back(made);
        pdf_.getTrailer().replaceKey("/Info", made);
    }

    // Objects changed or made outside the navigation: the joined pages.
    void markChanged(const QH& object) { changed_.push_back(object); }

    // The objects made or changed since the document was read, each once,
    // in object number order.
    std::vector<QH> touched() const {
        std::vector<QH> all = changed_;
        const auto byNumber = [](const QH& a, const QH& b) {
            return a.getObjGen() < b.getObjGen();
        };
        std::stable_sort(all.begin(), all.end(), byNumber);
        all.erase(
            std::unique(all.begin(), all.end(),
                        [](const QH& a, const QH& b) { return a.getObjGen() == b.getObjGen(); }),
            all.end());
        return all;
    }

    // The navigation as text: what was reserved, and the links and outline
    // items under numbers from the first one free.
    TTextObjects navigationObjects() {
        TTextObjects objects;
        // A link's text is about 120 bytes.
        const std::size_t linkCount = links_ ? links_->size() : 0;
        objects.reserve(annotArrays_.size() + linkCount + (bookmarks_ ? count(*bookmarks_) : 0) + 2,
                        qsizetype(linkCount) * 128);
        next_ = std::max(pdf_.getTrailer().getKey("/Size").getIntValueAsInt(),
                         int(pdf_.getObjectCount()) + 1);
        writeLinks(objects);
        if (bookmarks_) {
            const int first = next_;
            next_ += count(*bookmarks_);
            const int visible = writeBookmarks(objects, outlines_, *bookmarks_, first, true);
            QByteArray& text = objects.begin(outlines_);
            text.append("<< /Type /Outlines /First ");
            appendRef(text, first);
            text.append(" /Last ");
            appendRef(text, lastNumber(*bookmarks_, first));
            text.append(" /Count ");
            appendInt(text, visible);
            text.append(" >>");
        }
        if (labels_) writeLabels(objects.begin(labelTree_));
        return objects;
    }

private:
    // A reserved object under key of object, changed: its text comes later.
    int reserve(QH object, const char* key) {
        QH reserved = QH::newReserved(&pdf_);
        object.replaceKey(key, reserved);
        changed_.push_back(object);
        return reserved.getObjectID();
    }

    QPDFPageObjectHelper& pageAt(int index) {
        if (index < 0 || index >= pageCount())
            throw TListoraError(QStringLiteral("No page %1 in a document of %2 pages")
                                    .arg(index + 1)
                                    .arg(pageCount()));
        return pages_[std::size_t(index)];
    }

    void checkPlaces(const std::vector<TPdfBookmark>& items) {
        for (const TPdfBookmark& b : items) {
            pageAt(b.Place.Page);
            checkPlaces(b.Children);
        }
    }

    // What the text reads of a page, looked up once.
    struct TPageFacts {
        QByteArray Ref; // "12 0 R"
        QPDFObjectHandle::Rectangle Box;
    };
    const TPageFacts& facts(int index) {
        if (facts_.empty()) facts_.resize(pages_.size());
        TPageFacts& f = facts_[std::size_t(index)];
        if (f.Ref.isEmpty()) {
            QPDFPageObjectHelper& page = pageAt(index);
            f.Ref = QByteArray::fromStdString(page.getObjectHandle().unparse());
            f.Box = page.getMediaBox().getArrayAsRectangle();
        }
        return f;
    }

    // [page /XYZ left top null]: the place at the top left of the window.
    void writeDestination(QByteArray& text, const TPdfPlace& place) {
        const TPageFacts& page = facts(place.Page);
        text.append('[').append(page.Ref).append(" /XYZ ");
        appendReal(text, page.Box.llx + place.X * 0.75, 2);
        text.append(' ');
        appendReal(text, page.Box.ury - place.Y * 0.75, 2);
        text.append(" null]");
    }

    // Each page's /Annots array, followed by its links.
    void writeLinks(TTextObjects& objects) {
        for (std::size_t a = 0; a < annotArrays_.size(); ++a) {
            const TAnnotArray& array = annotArrays_[a];
            const std::size_t end =
                a + 1 < annotArrays_.size() ? annotArrays_[a + 1].FirstLink : linkOrder_.size();
            QByteArray& text = objects.begin(array.Number);
            text.append('[').append(array.Kept);
            for (std::size_t i = array.FirstLink; i < end; ++i) {
                appendRef(text, next_ + int(i - array.FirstLink));
                text.append(i + 1 < end ? ' ' : ']');
            }
            for (std::size_t i = array.FirstLink; i < end; ++i)
                writeLink(objects.begin(next_++), (*links_)[linkOrder_[i]]);
        }
    }

    void writeLink(QByteArray& text, const TPdfLink& link) {
        const auto box = facts(link.Page).Box;
        text.append("<< /Type /Annot /Subtype /Link /Rect [");
        appendReal(text, box.llx + link.X1 * 0.75);
        text.append(' ');
        appendReal(text, box.ury - link.Y2 * 0.75);
        text.append(' ');
        appendReal(text, box.llx + link.X2 * 0.75);
        text.append(' ');
        appendReal(text, box.ury - link.Y1 * 0.75);
        text.append("] /Border [0 0 0] /Dest ");
        writeDestination(text, link.Target);
        text.append(" >>");
    }

    // Items and all their descendants.
    static int count(const std::vector<TPdfBookmark>& items) {
        int n = int(items.size());
        for (const TPdfBookmark& b : items)
            n += count(b.Children);
        return n;
    }

    // The number of the last of items when they are numbered from first on,
    // each followed by its descendants.
    static int lastNumber(const std::vector<TPdfBookmark>& items, int first) {
        return first + count(items) - 1 - count(items.back().Children);
    }

    // One level of items under parent, numbered from first on, each
    // followed by its descendants; returns how many of them and their
    // descendants a reader sees.
    int writeBookmarks(TTextObjects& objects, int parent, const std::vector<TPdfBookmark>& items,
                       int first, bool open) {
        int visible = 0;
        int number = first;
        int last = first;
        for (std::size_t i = 0; i < items.size(); ++i) {
            const TPdfBookmark& b = items[i];
            const int below = b.Children.empty()
                                  ? 0
                                  : writeBookmarks(objects, number, b.Children, number + 1, false);
            const int following = number + 1 + count(b.Children);
            QByteArray& text = objects.begin(number);
            text.append("<< /Title ")
                .append(QH::newUnicodeString(utf8(b.Title)).unparse())
                .append(" /Parent ");
            appendRef(text, parent);
            text.append(" /Dest ");
            writeDestination(text, b.Place);
            if (!b.Children.empty()) {
                // Open items count what they show; closed ones the negated
                // number of their children.
                text.append(" /Count ");
                appendInt(text, open ? below : -qint64(b.Children.size()));
                text.append(" /First ");
                appendRef(text, number + 1);
                text.append(" /Last ");
                appendRef(text, lastNumber(b.Children, number + 1));
                if (open) visible += below;
            }
            if (i > 0) appendRef(text.append(" /Prev "), last);
            if (i + 1 < items.size()) appendRef(text.append(" /Next "), following);
            text.append(" >>");
            last = number;
            number = following;
            ++visible;
        }
        return visible;
    }

    void writeLabels(QByteArray& text) {
        text.append("<< /Nums [");
        int previous = -1;
        for (int i = 0; i < labels_->size(); ++i) {
            const QString& label = (*labels_)[i];
            bool isNumber = false;
            const int number = label.toInt(&isNumber);
            isNumber = isNumber && number > 0 && QString::number(number) == label;
            if (isNumber && previous > 0 && number == previous + 1) {
                previous = number;
                continue;
            }
            text.append(QByteArray::number(i));
            if (isNumber)
                text.append(" << /S /D /St ").append(QByteArray::number(number)).append(" >> ");
            else
                text.append(" << /P ")
                    .append(QH::newUnicodeString(utf8(label)).unparse())
                    .append(" >> ");
            previous = isNumber ? number : -1;
        }
        text.append("] >>");
    }

    QPDF& pdf_;
    std::vector<QPDFPageObjectHelper> pages_;
    std::vector<QH> changed_;
    std::vector<TPageFacts> facts_;
    // Numbers for text from here on.
    int next_ = 0;

    // A page's /Annots: its number, its links (from linkOrder_[FirstLink]
    // to the next array's) and what it held before.
    struct TAnnotArray {
        std::size_t FirstLink;
        int Number;
        std::string Kept;
    };
    const std::vector<TPdfLink>* links_ = nullptr;
    std::vector<std::size_t> linkOrder_;
    std::vector<TAnnotArray> annotArrays_;

    const std::vector<TPdfBookmark>* bookmarks_ = nullptr;
    int outlines_ = 0;

    const QStringList* labels_ = nullptr;
    int labelTree_ = 0;
};

// The offset after the last "startxref" of a classic PDF file, or -1.
qint64 lastCrossReference(const QByteArray& bytes) {
    const qsizetype at = bytes.lastIndexOf("startxref");
    if (at < 0) return -1;
    qsizetype i = at + 9;
    while (i < bytes.size() && (bytes[i] == ' ' || bytes[i] == '\r' || bytes[i] == '\n'))
        ++i;
    qsizetype end = i;
    while (end < bytes.size() && bytes[end] >= '0' && bytes[end] <= '9')
        ++end;
    bool ok = false;
    const qint64 offset = bytes.mid(i, end - i).toLongLong(&ok);
    return ok && offset > 0 && offset < bytes.size() ? offset : -1;
}

// True when the pages of pdf sit directly under its page tree's root and
// inherit nothing from it, as QPdfWriter writes them. Joining pages onto
// such a document then changes nothing of it but the root; any other tree
// qpdf reshapes, touching every page.
bool hasFlatPageTree(QPDF& pdf) {
    QH root = pdf.getRoot().getKey("/Pages");
    if (!root.isDictionary() || !root.isIndirect()) return false;
    for (const char* inherited : {"/Parent", "/Resources", "/MediaBox", "/CropBox", "/Rotate"})
        if (root.hasKey(inherited)) return false;
    QH kids = root.getKey("/Kids");
    if (!kids.isArray() || root.getKey("/Count").getIntValue() != kids.getArrayNItems())
        return false;
    for (QH page : kids.aitems()) {
        if (!page.isIndirect() || !page.isDictionaryOfType("/Page") ||
            page.getKey("/Parent").getObjGen() != root.getObjGen())
            return false;
    }
    return true;
}

// Objects packed into one object stream: enough to compress well, few
// enough that a reader unpacks little to reach one.
constexpr std::size_t kObjectsPerStream = 200;

// The navigation's text is most of what is compressed here (4 MB on the
// largest project, 11 MB with its cross-reference): zlib's level 1 takes a
// quarter of the time of its default, for an update a sixth larger (level
// 3: 4 % smaller, 70 % slower).
constexpr int kCompressionLevel = 1;

QByteArray deflated(const QByteArray& data) {
    // qCompress writes zlib data after a 4-byte length of its own.
    return qCompress(data, kCompressionLevel).mid(4);
}

// Compresses each of data in place, on every core: the navigation of the
// largest projects is megabytes of text, and the object streams are
// compressed each on its own.
void deflateAll(std::vector<QByteArray>& data) {
    const int workers =
        int(std::min<std::size_t>(std::max(1u, std::thread::hardware_concurrency()), data.size()));
    RunSideBySide(workers, [&](int worker) {
        for (std::size_t i = std::size_t(worker); i < data.size(); i += std::size_t(workers))
            data[i] = deflated(data[i]);
    });
}

// What the joining and navigation add to the first part, as an incremental
// update: the bytes QPdfWriter wrote stay as they are, and the new and
// changed objects follow with a cross-reference of their own that points
// back to the original one. The first part's page streams are neither
// parsed nor copied, which a full rewrite would do for every page; those of
// the later parts go out as they were compressed. The other objects (links,
// bookmarks, page dictionaries: thousands of small ones) go into compressed
// object streams, indexed by a compressed cross-reference stream.
QByteArray incrementalUpdate(QPDF& pdf, const QByteArray& original, qint64 previousXref,
                             const std::vector<QH>& objects, const TTextObjects& texts) {
    QByteArray out;
    out.reserve(qsizetype(objects.size()) * 40 + 512);
    const qint64 at = original.size() + (original.endsWith('\n') ? 0 : 1);
    if (at > original.size()) out.append('\n');
    int size = pdf.getTrailer().getKey("/Size").getIntValueAsInt();
    for (const QH& h : objects)
        size = std::max(size, h.getObjectID() + 1);
    for (std::size_t i = 0; i < texts.size(); ++i)
        size = std::max(size, texts.number(i) + 1);
    // Object streams need PDF 1.5, which the catalog declares.
    QH root = pdf.getRoot();
    root.replaceKey("/Version", QH::newName("/1.5"));
    std::vector<QH> all = objects;
    if (std::none_of(all.begin(), all.end(),
                     [&](const QH& h) { return h.getObjGen() == root.getObjGen(); }))
        all.push_back(root);

    // The objects that go into object streams: qpdf's, then the texts.
    std::vector<QH*> small;
    for (QH& h : all)
        if (!h.isStream() && h.getGeneration() == 0) small.push_back(&h);
    const std::size_t smallCount = small.size() + texts.size();
    const std::size_t streamCount = (smallCount + kObjectsPerStream - 1) / kObjectsPerStream;
    const int firstStream = size;
    size += int(streamCount);
    const int xrefNumber = size++;

    // Cross-reference entries by object number: type 1 (offset), or type
    // 2 (object stream number, index in it); type 0: not in this update.
    struct TEntry {
        int type = 0;
        qint64 field2 = 0;
        int field3 = 0;
    };
    std::vector<TEntry> entries(static_cast<std::size_t>(size));
    auto begin = [&](int number, int generation) {
        entries[std::size_t(number)] = {1, at + out.size(), generation};
        appendInt(out, number);
        out.append(' ');
        appendInt(out, generation);
        out.append(" obj\n");
    };
    for (QH& h : all) {
        const QPDFObjGen og = h.getObjGen();
        if (!h.isStream() && og.getGen() == 0) continue;
        begin(og.getObj(), og.getGen());
        if (h.isStream()) {
            const std::shared_ptr<Buffer> data = h.getRawStreamData();
            QH dict = h.getDict().shallowCopy();
            dict.replaceKey("/Length", QH::newInteger(qint64(data->getSize())));
            out.append(QByteArray::fromStdString(dict.unparseResolved()));
            out.append("\nstream\n");
            out.append(reinterpret_cast<const char*>(data->getBuffer()),
                       qsizetype(data->getSize()));
            out.append("\nendstream");
        } else {
            out.append(QByteArray::fromStdString(h.unparseResolved()));
        }
        out.append("\nendobj\n");
    }

    // Each object stream: the index of its objects (number and offset),
    // then the objects, compressed together.
    std::vector<QByteArray> streams(streamCount);
    std::vector<qsizetype> indexSizes(streamCount);
    for (std::size_t s = 0; s < streamCount; ++s) {
        const std::size_t first = s * kObjectsPerStream;
        const std::size_t last = std::min(smallCount, first + kObjectsPerStream);
        QByteArray index, body;
        for (std::size_t i = first; i < last; ++i) {
            const bool isText = i >= small.size();
            const int obj = isText ? texts.number(i - small.size()) : small[i]->getObjectID();
            appendInt(index, obj);
            index.append(' ');
            appendInt(index, body.size());
            index.append(' ');
            if (isText)
                body.append(texts.text(i - small.size()));
            else
                body.append(small[i]->unparseResolved());
            body.append('\n');
            entries[std::size_t(obj)] = {2, firstStream + int(s), int(i - first)};
        }
        indexSizes[s] = index.size();
        streams[s] = index.append(body);
    }
    deflateAll(streams);
    for (std::size_t s = 0; s < streamCount; ++s) {
        const std::size_t first = s * kObjectsPerStream;
        begin(firstStream + int(s), 0);
        out.append("<< /Type /ObjStm /N ");
        appendInt(out, qint64(std::min(smallCount - first, kObjectsPerStream)));
        out.append(" /First ");
        appendInt(out, indexSizes[s]);
        out.append(" /Filter /FlateDecode /Length ");
        appendInt(out, streams[s].size());
        out.append(" >>\nstream\n").append(streams[s]).append("\nendstream\nendobj\n");
    }

    const qint64 xref = at + out.size();
    entries[std::size_t(xrefNumber)] = {1, xref, 0};
    // Fields of 1, 5 and 2 bytes, big-endian; runs of numbers in /Index.
    QByteArray rows(qsizetype(size) * 8, Qt::Uninitialized);
    char* row = rows.data();
    QByteArray runs;
    for (int number = 0; number < size;) {
        if (!entries[std::size_t(number)].type) {
            ++number;
            continue;
        }
        int end = number + 1;
        while (end < size && entries[std::size_t(end)].type)
            ++end;
        appendInt(runs, number);
        runs.append(' ');
        appendInt(runs, end - number);
        runs.append(' ');
        for (; number < end; ++number) {
            const TEntry& entry = entries[std::size_t(number)];
            *row++ = char(entry.type);
            for (int shift = 32; shift >= 0; shift -= 8)
                *row++ = char((entry.field2 >> shift) & 0xff);
            *row++ = char((entry.field3 >> 8) & 0xff);
            *row++ = char(entry.field3 & 0xff);
        }
    }
    rows.truncate(row - rows.data());
    QH trailer = QH::newDictionary();
    for (const char* key : {"/Root", "/Info", "/ID"}) {
        QH value = pdf.getTrailer().getKey(key);
        if (!value.isNull()) trailer.replaceKey(key, value);
    }
    const QByteArray data = deflated(rows);
    out.append(QByteArray::number(xrefNumber) + " 0 obj\n");
    const QByteArray keys = QByteArray::fromStdString(trailer.unparse());
    out.append("<< /Type /XRef /Size " + QByteArray::number(size) + " /Prev " +
               QByteArray::number(previousXref) + " /W [1 5 2] /Index [" + runs.trimmed() +
               "] /Filter /FlateDecode /Length " + QByteArray::number(data.size()) + ' ' +
               keys.mid(2, keys.size() - 4).trimmed() + " >>\nstream\n" + data +
               "\nendstream\nendobj\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n");
    return out;
}

// The document as qpdf writes it whole, its pages' streams as they were
// compressed.
QByteArray rewritten(QPDF& pdf) {
    QPDFWriter writer(pdf);
    writer.setDecodeLevel(qpdf_dl_none);
    writer.setCompressStreams(false);
    writer.setOutputMemory();
    writer.write();
    const std::shared_ptr<Buffer> data = writer.getBufferSharedPointer();
    return QByteArray(reinterpret_cast<const char*>(data->getBuffer()), qsizetype(data->getSize()));
}

std::unique_ptr<QPDF> openPart(const QByteArray& bytes, std::size_t index) {
    auto pdf = std::make_unique<QPDF>();
    pdf->setSuppressWarnings(true);
    const std::string name = "part " + std::to_string(index + 1);
    pdf->processMemoryFile(name.c_str(), bytes.constData(), std::size_t(bytes.size()));
    // qpdf reads an object when it is first used; reading here what the
    // joining copies (all of a later part) and what the links look up (the
    // pages) leaves the one-thread step that follows only copying. Stream
    // data is still read when written.
    if (index > 0)
        for (QH object : pdf->getAllObjects())
            object.getTypeCode();
    pdf->getAllPages();
    // Before qpdf numbers a new object it resolves every reference in the
    // document once: for the first part too that is done here, beside the
    // reading of the others.
    pdf->getObjectCount();
    return pdf;
}

// Each part is read on a thread of its own: a document is only ever
// touched by one thread, which qpdf allows.
std::vector<std::unique_ptr<QPDF>> openParts(const std::vector<QByteArray>& parts) {
    std::vector<std::unique_ptr<QPDF>> documents(parts.size());
    RunSideBySide(int(parts.size()), [&](int i) {
        documents[std::size_t(i)] = openPart(parts[std::size_t(i)], std::size_t(i));
    });
    return documents;
}

} // namespace

void AssemblePdf(const std::vector<QByteArray>& parts, const TPdfNavigation& navigation,
                 const QString& target) {
    if (parts.empty()) throw TListoraError(QStringLiteral("No pages to write to %1").arg(target));
    // The document is complete in memory before the target is touched: the
    // bytes it starts with (the first part as it was, or the joined parts
    // rewritten) and the update that follows them.
    std::vector<std::unique_ptr<QPDF>> documents;
    QByteArray base = parts.front();
    QByteArray update;
    try {
        // The first part is the document; the pages of the others are
        // copied onto its end (they must live until it is written).
        documents = openParts(parts);
        // The first part, read without a repair, is updated in place.
        qint64 previousXref = lastCrossReference(base);
        const bool inPlace = previousXref > 0 && !documents.front()->anyWarnings() &&
                             (documents.size() == 1 || hasFlatPageTree(*documents.front()));
        // qpdf numbers what it copies on from the highest number in use.
        const int firstCopied = int(documents.front()->getObjectCount()) + 1;
        QPDFPageDocumentHelper outPages(*documents.front());
        for (std::size_t i = 1; i < documents.size(); ++i) {
            for (QPDFPageObjectHelper& page : QPDFPageDocumentHelper(*documents[i]).getAllPages())
                outPages.addPage(page, false);
        }
        std::vector<QH> joined;
        if (inPlace && documents.size() > 1) {
            joined.push_back(documents.front()->getRoot().getKey("/Pages"));
            for (const QH& object : documents.front()->getAllObjects())
                if (object.getObjectID() >= firstCopied) joined.push_back(object);
        } else if (!inPlace) {
            // Any other document is written whole once, and the update
            // follows what qpdf wrote.
            base = rewritten(*documents.front());
            documents.clear();
            documents.push_back(openPart(base, 0));
            previousXref = lastCrossReference(base);
        }
        QPDF& out = *documents.front();
        TAssembly assembly(out);
        for (const QH& object : joined)
            assembly.markChanged(object);
        joined.clear();
        assembly.addLinks(navigation.Links);
        assembly.addBookmarks(navigation.Bookmarks);
        assembly.addPageLabels(navigation.PageLabels);
        assembly.setInfo(navigation.Info);
        update = incrementalUpdate(out, base, previousXref, assembly.touched(),
                                   assembly.navigationObjects());
    } catch (const TListoraError&) {
        throw;
    } catch (const std::exception& e) {
        throw TListoraError(QStringLiteral("Unable to write to %1: %2")
                                .arg(target, QString::fromLocal8Bit(e.what())));
    }

    TAtomicFile file(target, TAtomicFile::TTarget::FileOrStream);
    file.begin();
    // A failed write is kept by the file and reported when committed.
    file.write(base);
    file.write(update);
    // Freeing thousands of parsed objects takes as long as flushing the
    // file to disk, so the two overlap; one thread frees them all, as qpdf
    // wants each document touched by one thread at a time.
    std::jthread release([all = std::move(documents)]() mutable { all.clear(); });
    file.commit();
}

void JoinPdfs(const std::vector<QByteArray>& parts, const QString& target) {
    AssemblePdf(parts, TPdfNavigation{}, target);
}
