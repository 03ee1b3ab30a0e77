#pragma once

#include "platform/permissions.h"

// Permissions that a test sets; requests are counted and, when told so, grant at once.
class OVSimPermissions : public OVPermissions {
  public:
    bool canPostEvents() const override { return _canPostEvents; }
    void requestPostEventAccess() override;
    bool canListenToInput() const override { return _canListenToInput; }
    void requestListenAccess() override;

    void setCanPostEvents(bool value) { _canPostEvents = value; }
    void setCanListenToInput(bool value) { _canListenToInput = value; }
    // Whether a request grants the permission at once (false: the user declines).
    void setRequestsGrant(bool value) { _requestsGrant = value; }
    int postEventAccessRequests() const { return _postEventAccessRequests; }
    int listenAccessRequests() const { return _listenAccessRequests; }

  private:
    bool _canPostEvents = true;
    bool _canListenToInput = true;
    bool _requestsGrant = false;
    int _postEventAccessRequests = 0;
    int _listenAccessRequests = 0;
};
