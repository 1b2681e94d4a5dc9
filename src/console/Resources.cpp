#include <QtGlobal>

#include "console/Resources.h"

// The pictures and the manual are compiled into the library; a static library's resources
// must be registered by hand before first use.
void InitZefResources() {
    Q_INIT_RESOURCE(zef);
}
