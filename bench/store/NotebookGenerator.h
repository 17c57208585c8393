#pragma once

#include <QString>

// Builds large notebooks for the benchmarks: groups "组 1".."组 N", notes with Chinese titles and
// RTF bodies of about 2 KB, written in one transaction. The notes of all groups are interleaved
// in the file, as years of use would leave them. Group 1 holds a tenth of the notes and group 2
// min(100, a tenth); the other groups share the rest. Deterministic for given arguments.
namespace NotebookGenerator {

struct Layout
{
    int notes = 0;
    int groups = 0;
    int group1Notes = 0;
    int group2Notes = 0;
};

Layout layoutFor(int notes, int groups);

// Creates path (which must not exist). Returns "" on success, else the reason. The bodies'
// Chinese text is taken from text at random places when it is given, else from a short sample.
QString generate(const QString &path, int notes, int groups, const QString &text = {});

} // namespace NotebookGenerator
