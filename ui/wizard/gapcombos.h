// SPDX-License-Identifier: MIT
#pragma once

#include <QRect>

class QCheckBox;
class QComboBox;

namespace hy3::ui {

// Where the caption of a check box leaves its gap-th run of seven ideographic
// spaces (counted from 0), in the coordinates of the check box's parent, as the
// current style and font draw it. An empty rectangle when there is no such gap.
[[nodiscard]] QRect gapRect(const QCheckBox *box, int gap);

// Centres the combo over that gap and raises it in front of the check box.
void placeOverGap(const QCheckBox *box, QComboBox *combo, int gap);

} // namespace hy3::ui
