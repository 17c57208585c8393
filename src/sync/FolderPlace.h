#pragma once

#include "sync/SyncPlace.h"

// A local folder as the place of the sync files: a USB stick, or a folder a cloud drive's
// client or a file-syncing program keeps in step. Files are synced to disk before they are
// renamed into place, so a power cut leaves either the old file or the new one.
class FolderPlace : public SyncPlace
{
public:
    explicit FolderPlace(const QString &root);

    std::optional<QList<Entry>> list(const QString &folder) override;
    std::optional<QByteArray> get(const QString &path) override;
    bool put(const QString &path, const QByteArray &bytes) override;
    bool makeFolder(const QString &path) override;
    bool remove(const QString &path) override;

private:
    QString at(const QString &path) const;
    QString root_;
};
