// The two fonts the program's texts are set in, on Linux: "ＭＳ ゴシック"
// (fixed pitch) and "ＭＳ Ｐゴシック" (proportional) are asked for first, then
// the IPA fonts the run script installs, then any CJK font of the kind.
#pragma once

#include <QFont>

namespace vorlik {

// The family list only; the caller sets the size.
QFont GothicFont(bool proportional);

}  // namespace vorlik
