#include "controls/FontApply.h"

#include "settings/Colors.h"
#include "settings/FontString.h"

#include <QLabel>

namespace Tools {

void ApplyFontString(const QString &fontString, QWidget *control,
                     const std::function<void(qint32)> &setNodeColor)
{
    if (!control)
        return;
    const FontSpec spec = ParseFontString(fontString);

    if (auto *label = qobject_cast<QLabel *>(control)) {
        if (const auto caption = spec.caption())
            label->setText(*caption);
        if (spec.fieldCount == 7 && spec.color) {
            QPalette pal = label->palette();
            pal.setColor(QPalette::WindowText, ColorFromBgr(*spec.color));
            label->setPalette(pal);
        }
    }

    QFont font = control->font();
    spec.applyTo(font);
    control->setFont(font);

    if (setNodeColor) {
        if (spec.fieldCount != 7)
            setNodeColor(0);
        else if (spec.color)
            setNodeColor(*spec.color);
    }
}

} // namespace Tools
