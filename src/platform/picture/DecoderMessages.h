#pragma once
// What the picture decoders say while they work: libjpeg's "Premature end of
// JPEG file", libtiff's complaints, libpng's, Qt's image-reading warnings.
// Any of them means the picture was not read whole, so while a
// DecoderMessages lives, what the decoders say on its thread is kept here
// for the caller to judge, and never reaches stderr. Messages of other
// threads go where they went before.
#include <QString>
#include <QStringList>

namespace platform {

class DecoderMessages {
public:
    DecoderMessages();
    ~DecoderMessages();
    DecoderMessages(const DecoderMessages&) = delete;
    DecoderMessages& operator=(const DecoderMessages&) = delete;

    void Add(const QString& line);
    const QStringList& Lines() const { return mLines; }

private:
    DecoderMessages* mOuter;
    QStringList mLines;
};

}  // namespace platform
