#include "ImportedPage.h"

#include "TextFileCodec.h"
#include "rtf/RtfPicture.h"

#include <QFileInfo>

namespace exchange {

namespace {

// A stylesheet is text; anything bigger is not one.
constexpr qint64 MaxStyleSheetBytes = 1024 * 1024;

} // namespace

ImportedPage::ImportedPage(const QDir &folder)
    : m_folder(folder)
    , m_root(QFileInfo(folder.absolutePath()).canonicalFilePath() + QLatin1Char('/'))
{
}

QString ImportedPage::localPath(const QUrl &url, QString *why) const
{
    if (!url.isRelative() && !url.isLocalFile()) {
        *why = QStringLiteral("不是本地文件");
        return QString();
    }
    const QString path = url.isLocalFile() ? url.toLocalFile() : m_folder.filePath(url.path());
    // Links resolved first, so that neither "..", an absolute path nor a link leads out.
    const QString real = QFileInfo(path).canonicalFilePath();
    if (real.isEmpty()) {
        *why = QStringLiteral("找不到文件");
        return QString();
    }
    if (!real.startsWith(m_root)) {
        *why = QStringLiteral("不在网页所在的文件夹中");
        return QString();
    }
    return real;
}

void ImportedPage::skip(const QUrl &url, const QString &why)
{
    m_skipped << QStringLiteral("%1：%2").arg(url.toDisplayString(QUrl::PreferLocalFile), why);
}

std::optional<QByteArray> ImportedPage::readResource(const QUrl &url, qint64 maxBytes)
{
    QString why;
    const QString path = localPath(url, &why);
    std::optional<QByteArray> bytes = path.isEmpty() ? std::nullopt : readWholeFile(path, &why, maxBytes);
    if (!bytes)
        skip(url, why);
    return bytes;
}

QVariant ImportedPage::loadResource(int type, const QUrl &name)
{
    // Asked again for each use while laying out: read (or refuse) once.
    const auto known = m_loaded.constFind(name);
    if (known != m_loaded.constEnd())
        return *known;
    QVariant value;
    if (name.scheme() == QLatin1String("data")) {
        value = QTextDocument::loadResource(type, name); // carried inside the page itself
    } else if (std::optional<QByteArray> bytes = readResource(
                   name, type == QTextDocument::ImageResource ? rtf::kMaxPictureBytes : MaxStyleSheetBytes)) {
        if (type == QTextDocument::StyleSheetResource)
            value = QString::fromUtf8(*bytes);
        else
            value = *bytes;
    }
    m_loaded.insert(name, value);
    return value;
}

} // namespace exchange
