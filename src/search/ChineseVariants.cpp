#include "search/ChineseVariants.h"

#include "base/Logging.h"
#include "search/SearchText.h"

#include <opencc.h>

#include <memory>
#include <mutex>

namespace ChineseVariants {

namespace {

// Loading the dictionaries takes a while, so both directions are loaded once, on first use; a
// mutex keeps the window's search worker and the window itself from converting at once.
struct Converters
{
    std::unique_ptr<opencc::SimpleConverter> toSimplified, toTraditional;
    std::mutex mutex;

    Converters()
    {
        try {
            toSimplified = std::make_unique<opencc::SimpleConverter>(OPENCC_DEFAULT_CONFIG_TRAD_TO_SIMP);
            toTraditional = std::make_unique<opencc::SimpleConverter>(OPENCC_DEFAULT_CONFIG_SIMP_TO_TRAD);
        } catch (const std::exception &e) {
            toSimplified.reset();
            toTraditional.reset();
            qCWarning(lcStore) << "no Traditional/Simplified conversion, terms match as written:" << e.what();
        }
    }
};

Converters &converters()
{
    static Converters c;
    return c;
}

} // namespace

QStringList of(const QString &term)
{
    QStringList forms{term};
    Converters &c = converters();
    if (!c.toSimplified)
        return forms;
    const std::string utf8 = term.toStdString();
    std::lock_guard lock(c.mutex);
    for (const auto *converter : {c.toSimplified.get(), c.toTraditional.get()}) {
        try {
            forms << SearchText::fold(QString::fromStdString(converter->Convert(utf8)));
        } catch (const std::exception &) {
            // A term the dictionaries cannot take is still found as written.
        }
    }
    forms.removeDuplicates();
    return forms;
}

} // namespace ChineseVariants
