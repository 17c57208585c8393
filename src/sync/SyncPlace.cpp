#include "sync/SyncPlace.h"

#include <QRandomGenerator>

namespace {
const QString kPart = QStringLiteral(".part-");
}

bool SyncPlace::isPartName(const QString &name)
{
    return name.contains(kPart);
}

QString SyncPlace::partNameFor(const QString &path)
{
    // Random, so two writers that both died mid-write never meet on one name.
    return path + kPart + QString::number(QRandomGenerator::system()->generate64(), 36);
}
