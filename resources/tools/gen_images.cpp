// Regenerates every picture under resources/ from code, so the images can be
// reviewed and changed like the rest of the program.
// Usage: qb_gen_images <resources folder>
#include "images.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTextStream>

namespace {

bool save(const QDir &root, const QString &relative, const QImage &image)
{
    const QString path = root.filePath(relative);
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (!image.save(path, "PNG")) {
        QTextStream(stderr) << "cannot write " << path << '\n';
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen"); // fonts need a GUI application, not a screen
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        QTextStream(stderr) << "usage: qb_gen_images <resources folder>\n";
        return 2;
    }
    const QDir root(QString::fromLocal8Bit(argv[1]));

    std::vector<images::Named> all;
    all.emplace_back(QStringLiteral("icons/app.png"), images::appIcon(64));
    for (int size : {16, 32, 48, 128, 256})
        all.emplace_back(QStringLiteral("icons/hicolor/%1/quillbook.png").arg(size), images::appIcon(size));
    all.emplace_back(QStringLiteral("notes/strip.png"), images::noteStrip());
    for (auto group : {images::treeImages(), images::toolbarImages(), images::editorImages(),
                       images::headerImages(), images::skinImages()})
        all.insert(all.end(), group.begin(), group.end());

    bool ok = true;
    for (const auto &[name, image] : all)
        ok = save(root, name, image) && ok;
    QFile svg(root.filePath(QStringLiteral("icons/app.svg")));
    if (!svg.open(QIODevice::WriteOnly | QIODevice::Truncate) || svg.write(images::appIconSvg()) < 0) {
        QTextStream(stderr) << "cannot write " << svg.fileName() << '\n';
        ok = false;
    }
    QTextStream(stdout) << all.size() << " images written to " << root.absolutePath() << '\n';
    return ok ? 0 : 1;
}
