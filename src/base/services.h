#pragma once

#include <QSet>
#include <QString>
#include <QVariantMap>
#include <memory>

class OVNotificationCenter;
class OVPreferences;
class OVScheduler;
class OVVirtualScheduler;
class OVPlatform;

// The few values the whole process shares, owned by the installed services.
struct OVProcessState {
    // The touch device in use: descriptor bytes as hex and the descriptor summary.
    QString currentHIDReportDescriptorHex;
    QVariantMap currentHIDDescriptorSummary;
    // How much of that device's own input the session keeps from the desktop, in one line.
    QString touchInputHoldDescription;
    // The app policy in force and whether it requires an update.
    QVariantMap currentAppPolicy;
    bool updateRequired = false;
    // The "update required" alert is raised at most once per process.
    bool minimumVersionAlertRaised = false;
    // Identifiers of the policy messages shown during this process.
    QSet<QString> policyMessageIDsShownThisLaunch;
    // The folder of reports that wait for the service; empty when none are kept (tests).
    QString reportOutboxDirectory;
};

// The process-wide services. The application installs them once at start-up; a test installs
// fresh ones for its own duration with OVServicesGuard.
OVNotificationCenter& OVDefaultCenter();
OVPreferences& OVStandardPreferences();
OVScheduler& OVMainScheduler();
OVPlatform& OVCurrentPlatform();
bool OVHasCurrentPlatform();
OVProcessState& OVCurrentProcessState();

struct OVServices {
    OVNotificationCenter* center = nullptr;
    OVPreferences* preferences = nullptr;
    OVScheduler* scheduler = nullptr;
    OVPlatform* platform = nullptr;
    OVProcessState* process = nullptr;
};

// Installs services for its lifetime and restores the previous ones afterwards.
// The default constructor makes fresh ones: a notification centre, an in-memory preference store,
// a virtual-time scheduler and process state, with no platform. Any of them can be replaced with
// the setters; the guard owns only what it made.
class OVServicesGuard {
  public:
    OVServicesGuard();
    explicit OVServicesGuard(const OVServices& services);
    ~OVServicesGuard();
    OVServicesGuard(const OVServicesGuard&) = delete;
    OVServicesGuard& operator=(const OVServicesGuard&) = delete;

    // The virtual scheduler this guard made (nullptr when it was given one).
    OVVirtualScheduler* virtualScheduler() const { return _virtualScheduler; }

    void setPreferences(OVPreferences* preferences);
    void setPlatform(OVPlatform* platform);
    void setScheduler(OVScheduler* scheduler);

  private:
    void install();

    OVServices _services;
    OVServices _previous;
    std::unique_ptr<OVNotificationCenter> _ownedCenter;
    std::unique_ptr<OVPreferences> _ownedPreferences;
    std::unique_ptr<OVVirtualScheduler> _ownedScheduler;
    std::unique_ptr<OVProcessState> _ownedProcess;
    OVVirtualScheduler* _virtualScheduler = nullptr;
};
