#pragma once

// The two permissions the program needs: posting synthetic input ("Accessibility") and reading
// the touch display ("Input Monitoring").
class OVPermissions {
  public:
    virtual ~OVPermissions() = default;

    virtual bool canPostEvents() const = 0;
    virtual void requestPostEventAccess() = 0;
    virtual bool canListenToInput() const = 0;
    virtual void requestListenAccess() = 0;
};
