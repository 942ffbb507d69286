#pragma once

#include <QString>

namespace TestUtil {

// Root of the source tree, as CTest passes it in; falls back to the compiled-in path.
QString sourceDir();

} // namespace TestUtil
