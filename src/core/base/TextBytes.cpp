#include "core/base/TextBytes.h"

#include <QStringDecoder>

QString TextFromBytes(const std::string& strBytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QByteArrayView bytes(strBytes.data(), static_cast<qsizetype>(strBytes.size()));
    QString strText = decoder(bytes);
    if (decoder.hasError()) {
        return QString::fromLatin1(bytes);
    }
    return strText;
}

std::string BytesFromText(const QString& strText) { return strText.toStdString(); }
