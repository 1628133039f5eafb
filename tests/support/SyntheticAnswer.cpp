#include "support/SyntheticAnswer.h"

#include <cups/ipp.h>

#include <vector>

namespace testcups {
namespace {

ipp_t* MediaCol(const SyntheticMedia& m) {
    ipp_t* size = ippNew();
    ippAddInteger(size, IPP_TAG_ZERO, IPP_TAG_INTEGER, "x-dimension", m.width);
    ippAddInteger(size, IPP_TAG_ZERO, IPP_TAG_INTEGER, "y-dimension", m.length);
    ipp_t* col = ippNew();
    ippAddCollection(col, IPP_TAG_ZERO, "media-size", size);
    ippDelete(size);
    ippAddInteger(col, IPP_TAG_ZERO, IPP_TAG_INTEGER, "media-left-margin", m.left);
    ippAddInteger(col, IPP_TAG_ZERO, IPP_TAG_INTEGER, "media-right-margin", m.right);
    ippAddInteger(col, IPP_TAG_ZERO, IPP_TAG_INTEGER, "media-top-margin", m.top);
    ippAddInteger(col, IPP_TAG_ZERO, IPP_TAG_INTEGER, "media-bottom-margin", m.bottom);
    return col;
}

ssize_t Append(void* context, ipp_uchar_t* data, size_t size) {
    static_cast<QByteArray*>(context)->append(reinterpret_cast<const char*>(data), qsizetype(size));
    return ssize_t(size);
}

}  // namespace

QByteArray SyntheticAnswer(const AnswerShape& shape) {
    ipp_t* answer = ippNew();
    ippSetVersion(answer, 2, 0);
    ippSetStatusCode(answer, IPP_STATUS_OK);
    ippSetRequestId(answer, 1);
    ippAddString(answer, IPP_TAG_OPERATION, IPP_TAG_CHARSET, "attributes-charset", nullptr, "utf-8");
    ippAddString(answer, IPP_TAG_OPERATION, IPP_TAG_LANGUAGE, "attributes-natural-language", nullptr, "en");
    std::vector<ipp_t*> media;
    for (int copy = 0; copy < shape.databaseCopies; ++copy)
        for (const SyntheticMedia& m : shape.database) media.push_back(MediaCol(m));
    if (!media.empty()) {
        ippAddCollections(answer, IPP_TAG_PRINTER, "media-col-database", int(media.size()),
                          const_cast<const ipp_t**>(media.data()));
        ippAddCollection(answer, IPP_TAG_PRINTER, "media-col-default", media.front());
    }
    for (ipp_t* m : media) ippDelete(m);
    if (!shape.marginsSupported.isEmpty())
        for (const char* name : {"media-left-margin-supported", "media-right-margin-supported",
                                 "media-top-margin-supported", "media-bottom-margin-supported"})
            ippAddIntegers(answer, IPP_TAG_PRINTER, IPP_TAG_INTEGER, name, int(shape.marginsSupported.size()),
                           shape.marginsSupported.constData());
    if (!shape.urf.isEmpty()) {
        std::vector<QByteArray> words;
        std::vector<const char*> values;
        for (const QString& u : shape.urf) words.push_back(u.toUtf8());
        for (const QByteArray& w : words) values.push_back(w.constData());
        ippAddStrings(answer, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, "urf-supported", int(values.size()), nullptr,
                      values.data());
    }
    if (!shape.pwgResolutions.isEmpty()) {
        std::vector<int> x, y;
        for (QSize r : shape.pwgResolutions) {
            x.push_back(r.width());
            y.push_back(r.height());
        }
        ippAddResolutions(answer, IPP_TAG_PRINTER, "pwg-raster-document-resolution-supported", int(x.size()),
                          IPP_RES_PER_INCH, x.data(), y.data());
    }
    QByteArray bytes;
    ippWriteIO(&bytes, Append, 1, nullptr, answer);
    ippDelete(answer);
    return bytes;
}

}  // namespace testcups
