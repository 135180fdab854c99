#include "dialog/about_box.h"

namespace brivo {

void showAbout(const AboutRecord* about) {
    if (about == nullptr || about->sSPBasic == nullptr) return;
    // The box is drawn with the host's dialog toolkit, which this host does not offer
    // yet; the about selector then has nothing to show.
}

}  // namespace brivo
