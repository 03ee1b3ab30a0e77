// The gesture engine reads its settings through the active profile for every input event.

#include <benchmark/benchmark.h>

#include "base/notification_center.h"
#include "base/preferences.h"
#include "base/services.h"
#include "settings/profiles.h"

namespace {

// A store like a well-used installation's: ten named profiles with all their values, and the
// Default profile's own values at the top level.
void fillTenProfiles() {
    OVRegisterDefaults();
    for (int i = 0; i < 10; ++i) {
        OVSetProfileValueForKey("scrollScale", 1.0 + i);
        OVSetProfileValueForKey(OVMouseActionKey("finger3"), static_cast<qlonglong>(i % 6));
        OVSaveCurrentSettingsAsProfile(QStringLiteral("Application %1").arg(i));
    }
    OVSetActiveSettingsProfile("Default");
    OVSetProfileValueForKey("scrollScale", 2.5);
}

void readProfileValues(benchmark::State& state, const QString& activeProfile) {
    OVServicesGuard services;
    fillTenProfiles();
    OVSetActiveSettingsProfile(activeProfile);
    // A stored value, a registered default and a value only the built-in defaults hold.
    const QString keys[] = {QStringLiteral("scrollScale"), OVMouseActionKey("finger2"),
                            OVKeyComboLabelKey("pen")};
    const QString& key = keys[state.range(0)];
    for (auto _ : state) {
        benchmark::DoNotOptimize(OVProfileValueForKey(key));
    }
}

void BM_ProfileValueForKey_DefaultActive(benchmark::State& state) {
    readProfileValues(state, "Default");
}
BENCHMARK(BM_ProfileValueForKey_DefaultActive)->DenseRange(0, 2);

void BM_ProfileValueForKey_NamedActive(benchmark::State& state) {
    readProfileValues(state, "Application 7");
}
BENCHMARK(BM_ProfileValueForKey_NamedActive)->DenseRange(0, 2);

// What one event costs the gesture engine: its input's mouse and keyboard actions.
void BM_EffectiveActionsForInput_NamedActive(benchmark::State& state) {
    OVServicesGuard services;
    fillTenProfiles();
    OVSetActiveSettingsProfile("Application 7");
    const QString input = QStringLiteral("finger1");
    for (auto _ : state) {
        benchmark::DoNotOptimize(OVEffectiveMouseActionForInput(input));
        benchmark::DoNotOptimize(OVEffectiveModifierActionForInput(input));
    }
}
BENCHMARK(BM_EffectiveActionsForInput_NamedActive);

}  // namespace
