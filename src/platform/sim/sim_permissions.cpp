#include "platform/sim/sim_permissions.h"

void OVSimPermissions::requestPostEventAccess() {
    ++_postEventAccessRequests;
    if (_requestsGrant) {
        _canPostEvents = true;
    }
}

void OVSimPermissions::requestListenAccess() {
    ++_listenAccessRequests;
    if (_requestsGrant) {
        _canListenToInput = true;
    }
}
