#include "dialog/light_dialog.h"

namespace brivo {

// Until the host offers its dialog toolkit, the dialog step confirms the current
// parameters without showing anything.
bool RunLightDialog(PluginContext&) {
    return true;
}

}  // namespace brivo
