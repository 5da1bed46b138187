#include "PdfReader.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFOutlineDocumentHelper.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageLabelDocumentHelper.hh>

#include <map>

namespace {

using QH = QPDFObjectHandle;

QString text(QH o) {
    return o.isString() ? QString::fromStdString(o.getUTF8Value()) : QString();
}

void walk(std::vector<QPDFOutlineObjectHelper> items, int depth,
          const std::map<QPDFObjGen, int>& pageIndex, TReadPdf& out) {
    for (auto& item : items) {
        TReadBookmark b;
        b.title = QString::fromStdString(item.getTitle());
        b.depth = depth;
        QH dest = item.getDest();
        if (dest.isArray() && dest.getArrayNItems() >= 4) {
            const auto it = pageIndex.find(dest.getArrayItem(0).getObjGen());
            if (it != pageIndex.end()) b.page = it->second;
            if (dest.getArrayItem(3).isNumber()) b.top = dest.getArrayItem(3).getNumericValue();
        }
        out.bookmarks.push_back(b);
        walk(item.getKids(), depth + 1, pageIndex, out);
    }
}

} // namespace

TReadPdf readPdf(const QString& path) {
    TReadPdf out;
    QPDF pdf;
    pdf.setSuppressWarnings(true);
    pdf.processFile(path.toLocal8Bit().constData());
    auto pages = QPDFPageDocumentHelper(pdf).getAllPages();
    std::map<QPDFObjGen, int> pageIndex;
    for (std::size_t i = 0; i < pages.size(); ++i)
        pageIndex[pages[i].getObjectHandle().getObjGen()] = int(i);

    QPDFPageLabelDocumentHelper labels(pdf);
    for (std::size_t i = 0; i < pages.size(); ++i) {
        const auto box = pages[i].getMediaBox().getArrayAsRectangle();
        out.widths.push_back(box.urx - box.llx);
        out.heights.push_back(box.ury - box.lly);
        QString label;
        if (labels.hasPageLabels()) {
            QH l = labels.getLabelForPage(static_cast<long long>(i));
            if (l.isDictionary()) {
                label = text(l.getKey("/P"));
                if (l.getKey("/S").isName())
                    label += QString::number(l.getKey("/St").getIntValue());
            }
        }
        out.labels << label;
        QH annots = pages[i].getObjectHandle().getKey("/Annots");
        if (!annots.isArray()) continue;
        for (int a = 0; a < annots.getArrayNItems(); ++a) {
            QH annot = annots.getArrayItem(a);
            if (!annot.getKey("/Subtype").isNameAndEquals("/Link")) continue;
            const auto r = annot.getKey("/Rect").getArrayAsRectangle();
            TReadLink link{int(i), r.llx, r.lly, r.urx, r.ury};
            QH dest = annot.getKey("/Dest");
            if (dest.isArray() && dest.getArrayNItems() >= 4) {
                const auto it = pageIndex.find(dest.getArrayItem(0).getObjGen());
                if (it != pageIndex.end()) link.targetPage = it->second;
                if (dest.getArrayItem(3).isNumber())
                    link.targetTop = dest.getArrayItem(3).getNumericValue();
            }
            out.links.push_back(link);
        }
    }
    QPDFOutlineDocumentHelper outlines(pdf);
    walk(outlines.getTopLevelOutlines(), 0, pageIndex, out);

    QH info = pdf.getTrailer().getKey("/Info");
    if (info.isDictionary()) {
        out.title = text(info.getKey("/Title"));
        out.subject = text(info.getKey("/Subject"));
        out.creator = text(info.getKey("/Creator"));
    }
    QH mode = pdf.getRoot().getKey("/PageMode");
    if (mode.isName()) out.pageMode = QString::fromStdString(mode.getName());
    // A document qpdf had to repair (a cross-reference that is off) is no good.
    out.ok = !pdf.anyWarnings();
    return out;
}
