// vorlik-kifu db: import, tree, games, show and export of the reference database.
#pragma once

#include <string>
#include <vector>

namespace vorlik {

// args are the words after "db".
int DatabaseCommand(const std::vector<std::string>& args);

}  // namespace vorlik
