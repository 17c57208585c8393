#pragma once

#include <QDir>
#include <QHash>
#include <QStringList>
#include <QTextDocument>
#include <QUrl>

#include <optional>

namespace exchange {

// An HTML or Markdown page being imported. Whatever it refers to (pictures, stylesheets,
// backgrounds), whether we embed it or Qt loads it while reading or laying out the page, is read
// only from a regular file in the page's own folder or below, within a size bound; a page must not
// be able to copy any file the user can read into the notebook, or hang the import on a device.
class ImportedPage : public QTextDocument
{
public:
    explicit ImportedPage(const QDir &folder);

    // The bytes a resource address of the page stands for, or nothing (and a line in skipped()).
    std::optional<QByteArray> readResource(const QUrl &url, qint64 maxBytes);

    // "address：reason" of each resource that was not read.
    const QStringList &skipped() const { return m_skipped; }

protected:
    QVariant loadResource(int type, const QUrl &name) override;

private:
    QString localPath(const QUrl &url, QString *why) const;
    void skip(const QUrl &url, const QString &why);

    QDir m_folder;
    QString m_root; // the folder, links resolved, with a trailing separator
    QHash<QUrl, QVariant> m_loaded;
    QStringList m_skipped;
};

} // namespace exchange
