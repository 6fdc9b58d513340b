// SPDX-License-Identifier: MIT
#include "gapcombos.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QStyle>
#include <QStyleOptionButton>

namespace hy3::ui {

namespace {

const QString kGap(7, QChar(0x3000));

struct GapPosition
{
    int line = -1;
    qsizetype column = -1;
};

GapPosition findGap(const QStringList &lines, int gap)
{
    int seen = 0;
    for (int line = 0; line < lines.size(); ++line) {
        for (qsizetype at = lines[line].indexOf(kGap); at >= 0; at = lines[line].indexOf(kGap, at + kGap.size())) {
            if (seen++ == gap)
                return {line, at};
        }
    }
    return {};
}

} // namespace

QRect gapRect(const QCheckBox *box, int gap)
{
    QString text = box->text();
    text.remove(u'\r');
    const QStringList lines = text.split(u'\n');
    const GapPosition position = findGap(lines, gap);
    if (position.line < 0)
        return {};

    QStyleOptionButton option;
    option.initFrom(box);
    option.text = box->text();
    const QRect contents = box->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, box);
    const QFontMetrics metrics(box->font());
    // The style draws the caption as one block centred vertically in the contents.
    const QRect block = metrics.boundingRect(contents, Qt::AlignLeft | Qt::AlignVCenter, text);
    const int lineHeight = block.height() / static_cast<int>(lines.size());
    const QString &line = lines[position.line];
    const int left = block.left() + metrics.horizontalAdvance(line.left(position.column));
    const QRect local(left, block.top() + position.line * lineHeight, metrics.horizontalAdvance(kGap), lineHeight);
    return local.translated(box->pos());
}

void placeOverGap(const QCheckBox *box, QComboBox *combo, int gap)
{
    const QRect target = gapRect(box, gap);
    if (target.isEmpty())
        return;
    QRect place = combo->geometry();
    place.moveCenter(target.center());
    combo->setGeometry(place);
    combo->raise();
}

} // namespace hy3::ui
