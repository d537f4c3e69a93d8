// The icon of a message a part below the window asks its host to show.
#pragma once

namespace vorlik {

enum class HostIcon { Information, Warning, Error };

}  // namespace vorlik
