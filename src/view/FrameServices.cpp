#include "view/FrameServices.h"

namespace {
CFrameServices* g_services = nullptr;
}  // namespace

CFrameServices* GetFrameServices() {
    return g_services;
}

void SetFrameServices(CFrameServices* services) {
    g_services = services;
}
