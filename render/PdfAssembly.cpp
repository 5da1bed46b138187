#include "render/PdfAssembly.h"

#include "platform/AtomicFile.h"
#include "platform/Errors.h"

#include <qpdf/Buffer.hh>
#include <qpdf/Pipeline.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <algorithm>
#include <charconv>
#include <exception>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <thread>

namespace {

using QH = QPDFObjectHandle;

// qpdf's output, gathered in large blocks (it writes a few bytes at a
// time, and the file writes each straight through) into a file that
// replaces the target only once it is complete.
class TAtomicFilePipeline : public Pipeline {
public:
    explicit TAtomicFilePipeline(TAtomicFile& file)
        : Pipeline("listora-save", nullptr), file_(file) {
        buffer_.reserve(kBlock);
    }
    void write(unsigned char const* data, size_t len) override {
        if (buffer_.size() + qsizetype(len) > kBlock) flush();
        if (qsizetype(len) >= kBlock)
            file_.write(reinterpret_cast<const char*>(data), qint64(len));
        else
            buffer_.append(reinterpret_cast<const char*>(data), qsizetype(len));
    }
    void finish() override { flush(); }

private:
    static constexpr qsizetype kBlock = 1 << 20;
    // A failed write (a full disk) is kept by the file and reported, with
    // its reason, when it is committed.
    void flush() {
        if (!buffer_.isEmpty()) file_.write(buffer_);
        buffer_.clear();
    }

    TAtomicFile& file_;
    QByteArray buffer_;
};

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

// A real number as qpdf writes one with that many decimal places, trailing
// zeros trimmed; formatted here, since qpdf's formatting through a stream
// costs more than the rest of a link.
QH real(double value, int places) {
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, places);
    std::string text(buffer, result.ptr);
    if (text.find('.') != std::string::npos) {
        text.erase(text.find_last_not_of('0') + 1);
        if (text.back() == '.') text.pop_back();
    }
    return QH::newReal(text);
}

// The document being assembled: its pages and how page units map onto
// each page's media box.
class TAssembly {
public:
    explicit TAssembly(QPDF& pdf) : pdf_(pdf), pages_(QPDFPageDocumentHelper(pdf).getAllPages()) {}

    int pageCount() const { return int(pages_.size()); }

    QH destination(const TPdfPlace& place) {
        const QH::Rectangle& box = mediaBox(place.Page);
        QH dest = QH::newArray();
        dest.appendItem(pageAt(place.Page).getObjectHandle());
        dest.appendItem(QH::newName("/XYZ"));
        dest.appendItem(real(box.llx + place.X * 0.75, 2));
        dest.appendItem(real(box.ury - place.Y * 0.75, 2));
        dest.appendItem(QH::newNull());
        return dest;
    }

    void addLink(const TPdfLink& link) {
        const QH::Rectangle& box = mediaBox(link.Page);
        QH rect =
            QH::newArray({real(box.llx + link.X1 * 0.75, 6), real(box.ury - link.Y2 * 0.75, 6),
                          real(box.llx + link.X2 * 0.75, 6), real(box.ury - link.Y1 * 0.75, 6)});
        QH border = QH::newArray({QH::newInteger(0), QH::newInteger(0), QH::newInteger(0)});
        QH annot = make(QH::newDictionary({
            {"/Type", QH::newName("/Annot")},
            {"/Subtype", QH::newName("/Link")},
            {"/Rect", rect},
            {"/Border", border},
            {"/Dest", destination(link.Target)},
        }));
        annotsOf(link.Page).appendItem(annot);
    }

    // Files and procedures start closed; the top level shows them.
    void addBookmarks(const std::vector<TPdfBookmark>& top) {
        if (top.empty()) return;
        QH outlines = make(QH::newDictionary({{"/Type", QH::newName("/Outlines")}}));
        const int visible = addLevel(outlines, top, true);
        outlines.replaceKey("/Count", QH::newInteger(visible));
        QH root = pdf_.getRoot();
        changed_.push_back(root);
        root.replaceKey("/Outlines", outlines);
        root.replaceKey("/PageMode", QH::newName("/UseOutlines"));
    }

    // Runs of consecutive numbers share one decimal range; every other
    // label is a range of one page with the label as its prefix.
    void addPageLabels(const QStringList& labels) {
        if (labels.isEmpty()) return;
        if (labels.size() != pageCount())
            throw TListoraError(
                QStringLiteral("%1 page labels for %2 pages").arg(labels.size()).arg(pageCount()));
        QH nums = QH::newArray();
        int previous = -1;
        for (int i = 0; i < labels.size(); ++i) {
            bool isNumber = false;
            const int number = labels[i].toInt(&isNumber);
            isNumber = isNumber && number > 0 && QString::number(number) == labels[i];
            if (isNumber && previous > 0 && number == previous + 1) {
                previous = number;
                continue;
            }
            QH range = QH::newDictionary();
            if (isNumber) {
                range.replaceKey("/S", QH::newName("/D"));
                range.replaceKey("/St", QH::newInteger(number));
            } else {
                range.replaceKey("/P", QH::newUnicodeString(utf8(labels[i])));
            }
            nums.appendItem(QH::newInteger(i));
            nums.appendItem(range);
            previous = isNumber ? number : -1;
        }
        changed_.push_back(pdf_.getRoot());
        pdf_.getRoot().replaceKey("/PageLabels", QH::newDictionary({{"/Nums", nums}}));
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
        pdf_.getTrailer().replaceKey("/Info", make(dict));
    }

    // Objects changed or made outside the navigation: the joined pages.
    void markChanged(const QH& object) { changed_.push_back(object); }

    // The objects made or changed since the document was read, each once,
    // in object number order.
    std::vector<QH> touched() const {
        std::map<QPDFObjGen, QH> byNumber;
        for (const std::vector<QH>* list : {&made_, &changed_})
            for (const QH& h : *list)
                byNumber.emplace(h.getObjGen(), h);
        std::vector<QH> all;
        all.reserve(byNumber.size());
        for (const auto& [number, h] : byNumber)
            all.push_back(h);
        return all;
    }

private:
    QH make(const QH& direct) {
        made_.push_back(pdf_.makeIndirectObject(direct));
        return made_.back();
    }

    // A page's media box and annotations are looked up once: a cross-
    // reference puts tens of thousands of links on a few hundred pages.
    const QH::Rectangle& mediaBox(int index) {
        if (boxes_.empty()) boxes_.resize(pages_.size());
        std::optional<QH::Rectangle>& box = boxes_[std::size_t(index)];
        if (!box) box = pageAt(index).getMediaBox().getArrayAsRectangle();
        return *box;
    }

    QH annotsOf(int index) {
        const auto known = annots_.find(index);
        if (known != annots_.end()) return known->second;
        QH pageObject = pageAt(index).getObjectHandle();
        changed_.push_back(pageObject);
        QH annots = pageObject.getKey("/Annots");
        if (!annots.isArray()) {
            annots = QH::newArray();
            pageObject.replaceKey("/Annots", annots);
        } else if (annots.isIndirect()) {
            changed_.push_back(annots);
        }
        annots_.emplace(index, annots);
        return annots;
    }

    QPDFPageObjectHelper& pageAt(int index) {
        if (index < 0 || index >= pageCount())
            throw TListoraError(QStringLiteral("No page %1 in a document of %2 pages")
                                    .arg(index + 1)
                                    .arg(pageCount()));
        return pages_[std::size_t(index)];
    }

    // Links one level of items under parent; returns how many of them and
    // their descendants a reader sees.
    int addLevel(QH parent, const std::vector<TPdfBookmark>& items, bool open) {
        QH previous;
        int visible = 0;
        for (const TPdfBookmark& b : items) {
            QH item = make(QH::newDictionary({
                {"/Title", QH::newUnicodeString(utf8(b.Title))},
                {"/Parent", parent},
                {"/Dest", destination(b.Place)},
            }));
            if (!b.Children.empty()) {
                const int below = addLevel(item, b.Children, false);
                // Open items count what they show; closed ones the negated
                // number of their children.
                item.replaceKey("/Count", QH::newInteger(open ? below : -int(b.Children.size())));
                if (open) visible += below;
            }
            if (previous.isInitialized()) {
                previous.replaceKey("/Next", item);
                item.replaceKey("/Prev", previous);
            } else {
                parent.replaceKey("/First", item);
            }
            previous = item;
            ++visible;
        }
        parent.replaceKey("/Last", previous);
        return visible;
    }

    QPDF& pdf_;
    std::vector<QPDFPageObjectHelper> pages_;
    std::vector<QH> made_;
    std::vector<QH> changed_;
    std::vector<std::optional<QH::Rectangle>> boxes_;
    std::map<int, QH> annots_;
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

QByteArray deflated(const QByteArray& data) {
    // qCompress writes zlib data after a 4-byte length of its own.
    return qCompress(data).mid(4);
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
                             const std::vector<QH>& objects) {
    QByteArray out;
    out.reserve(qsizetype(objects.size()) * 40 + 512);
    const qint64 at = original.size() + (original.endsWith('\n') ? 0 : 1);
    if (at > original.size()) out.append('\n');
    int size = pdf.getTrailer().getKey("/Size").getIntValueAsInt();
    for (const QH& h : objects)
        size = std::max(size, h.getObjectID() + 1);
    // Object streams need PDF 1.5, which the catalog declares.
    QH root = pdf.getRoot();
    root.replaceKey("/Version", QH::newName("/1.5"));
    std::vector<QH> all = objects;
    if (std::none_of(all.begin(), all.end(),
                     [&](const QH& h) { return h.getObjGen() == root.getObjGen(); }))
        all.push_back(root);

    // Cross-reference entries by object number: type 1 (offset), or type
    // 2 (object stream number, index in it).
    struct TEntry {
        int type = 1;
        qint64 field2 = 0;
        int field3 = 0;
    };
    std::map<int, TEntry> entries;
    auto begin = [&](int number, int generation) {
        entries[number] = {1, at + out.size(), generation};
        out.append(QByteArray::number(number) + ' ' + QByteArray::number(generation) + " obj\n");
    };
    std::vector<QH> small;
    for (QH h : all) {
        const QPDFObjGen og = h.getObjGen();
        if (!h.isStream() && og.getGen() == 0) {
            small.push_back(h);
            continue;
        }
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
    for (std::size_t first = 0; first < small.size(); first += kObjectsPerStream) {
        const std::size_t last = std::min(small.size(), first + kObjectsPerStream);
        const int number = size++;
        QByteArray index, body;
        for (std::size_t i = first; i < last; ++i) {
            const int obj = small[i].getObjectID();
            index.append(QByteArray::number(obj) + ' ' + QByteArray::number(body.size()) + ' ');
            body.append(QByteArray::fromStdString(small[i].unparseResolved()) + '\n');
            entries[obj] = {2, number, int(i - first)};
        }
        const QByteArray data = deflated(index + body);
        begin(number, 0);
        out.append("<< /Type /ObjStm /N " + QByteArray::number(qsizetype(last - first)) +
                   " /First " + QByteArray::number(index.size()) +
                   " /Filter /FlateDecode /Length " + QByteArray::number(data.size()) +
                   " >>\nstream\n" + data + "\nendstream\nendobj\n");
    }

    const int xrefNumber = size++;
    const qint64 xref = at + out.size();
    entries[xrefNumber] = {1, xref, 0};
    // Fields of 1, 5 and 2 bytes, big-endian; runs of numbers in /Index.
    QByteArray rows;
    QByteArray runs;
    for (auto it = entries.begin(); it != entries.end();) {
        auto end = std::next(it);
        while (end != entries.end() && end->first == std::prev(end)->first + 1)
            ++end;
        runs.append(QByteArray::number(it->first) + ' ' +
                    QByteArray::number(qsizetype(std::distance(it, end))) + ' ');
        for (; it != end; ++it) {
            rows.append(char(it->second.type));
            for (int shift = 32; shift >= 0; shift -= 8)
                rows.append(char((it->second.field2 >> shift) & 0xff));
            rows.append(char((it->second.field3 >> 8) & 0xff));
            rows.append(char(it->second.field3 & 0xff));
        }
    }
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
    return pdf;
}

// Each part is read on a thread of its own: a document is only ever
// touched by one thread, which qpdf allows.
std::vector<std::unique_ptr<QPDF>> openParts(const std::vector<QByteArray>& parts) {
    std::vector<std::unique_ptr<QPDF>> documents(parts.size());
    std::vector<std::exception_ptr> failures(parts.size());
    auto open = [&](std::size_t i) {
        try {
            documents[i] = openPart(parts[i], i);
        } catch (...) {
            failures[i] = std::current_exception();
        }
    };
    std::vector<std::thread> threads;
    for (std::size_t i = 1; i < parts.size(); ++i)
        threads.emplace_back(open, i);
    if (!parts.empty()) open(0);
    for (std::thread& t : threads)
        t.join();
    for (const std::exception_ptr& failure : failures)
        if (failure) std::rethrow_exception(failure);
    return documents;
}

} // namespace

void AssemblePdf(const std::vector<QByteArray>& parts, const TPdfNavigation& navigation,
                 const QString& target) {
    if (parts.empty()) throw TListoraError(QStringLiteral("No pages to write to %1").arg(target));
    // The document is complete in memory before the target is touched.
    std::vector<std::unique_ptr<QPDF>> documents;
    QByteArray update;
    bool updated = false;
    try {
        // The first part is the document; the pages of the others are
        // copied onto its end (they must live until it is written).
        documents = openParts(parts);
        QPDF& out = *documents.front();
        // The first part, read without a repair, is updated in place.
        const qint64 previousXref = lastCrossReference(parts.front());
        const bool inPlace = previousXref > 0 && !out.anyWarnings() &&
                             (documents.size() == 1 || hasFlatPageTree(out));
        // qpdf numbers what it copies on from the highest number in use.
        const int firstCopied = int(out.getObjectCount()) + 1;
        QPDFPageDocumentHelper outPages(out);
        for (std::size_t i = 1; i < documents.size(); ++i) {
            for (QPDFPageObjectHelper& page : QPDFPageDocumentHelper(*documents[i]).getAllPages())
                outPages.addPage(page, false);
        }
        TAssembly assembly(out);
        if (inPlace && documents.size() > 1) {
            assembly.markChanged(out.getRoot().getKey("/Pages"));
            for (const QH& object : out.getAllObjects())
                if (object.getObjectID() >= firstCopied) assembly.markChanged(object);
        }
        for (const TPdfLink& link : navigation.Links)
            assembly.addLink(link);
        assembly.addBookmarks(navigation.Bookmarks);
        assembly.addPageLabels(navigation.PageLabels);
        assembly.setInfo(navigation.Info);
        if (inPlace) {
            update = incrementalUpdate(out, parts.front(), previousXref, assembly.touched());
            updated = true;
        }
    } catch (const TListoraError&) {
        throw;
    } catch (const std::exception& e) {
        throw TListoraError(QStringLiteral("Unable to write to %1: %2")
                                .arg(target, QString::fromLocal8Bit(e.what())));
    }

    // Freeing thousands of parsed objects takes as long as flushing the
    // file to disk, so the two overlap; one thread frees them all, as qpdf
    // wants each document touched by one thread at a time.
    auto releaseInBackground = [&documents] {
        return std::jthread([all = std::move(documents)]() mutable { all.clear(); });
    };
    TAtomicFile file(target, TAtomicFile::TTarget::FileOrStream);
    file.begin();
    if (updated) {
        // A failed write is kept by the file and reported when committed.
        file.write(parts.front());
        file.write(update);
        std::jthread release = releaseInBackground();
        file.commit();
        return;
    }
    try {
        TAtomicFilePipeline pipeline(file);
        QPDFWriter writer(*documents.front());
        // The pages' streams go out as QPdfWriter compressed them.
        writer.setDecodeLevel(qpdf_dl_none);
        writer.setCompressStreams(false);
        writer.setOutputPipeline(&pipeline);
        writer.write();
        pipeline.finish();
    } catch (const std::exception& e) {
        file.discard();
        throw TListoraError(QStringLiteral("Unable to write to %1: %2")
                                .arg(target, QString::fromLocal8Bit(e.what())));
    }
    std::jthread release = releaseInBackground();
    file.commit();
}

void JoinPdfs(const std::vector<QByteArray>& parts, const QString& target) {
    AssemblePdf(parts, TPdfNavigation{}, target);
}
