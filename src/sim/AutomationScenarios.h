#pragma once
// Scenarios built in for the auto test and the test cases, chosen by name: the demo and
// variants of it in which a run completes its rounds or fails in a way the runs report.

#include "sim/Scenario.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace nuvex3::sim {

// "demo" (the default), "auto-test", "wakeup-master", "connected", "link-loss",
// "failed-link".
QStringList builtInScenarioNames();
std::optional<Scenario> builtInScenario(const QString& name);

// A built-in name, else a JSON scenario file. On failure, nothing and *error says why.
std::optional<Scenario> scenarioByName(const QString& nameOrFile, QString* error);

} // namespace nuvex3::sim
