#include "cli/text_arguments.h"

#include <QList>
#include <QStringDecoder>

namespace vy::cli {

QString DecodeArgument(std::string_view bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    const QByteArrayView view(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QString text = utf8.decode(view);
    if (utf8.hasError())
        return QString::fromLatin1(view);
    return text;
}

std::string SingleByteText(const QString& text)
{
    std::string out;
    out.reserve(static_cast<std::size_t>(text.size()));
    for (const uint ch : text.toUcs4())
        out += ch <= 0xFF ? static_cast<char>(ch) : '\n';
    return out;
}

std::string ForTerminal(const QString& text)
{
    QString shown = text;
    for (QChar& ch : shown)
        if (ch.category() == QChar::Other_Control)
            ch = u'?';
    return shown.toLocal8Bit().toStdString();
}

}  // namespace vy::cli
