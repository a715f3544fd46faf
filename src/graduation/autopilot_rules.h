#pragma once
// How steady is steady, how long is long enough, and when a wait turns into a
// fault, for a run that confirms its own steps, in the autopilot's own
// units. The chamber profile's limits fill them (each chamber lags and
// settles its own way); what no profile says (when a reading is stale, when
// a command is sent again) has its default here.
//
// What it owns: the numbers, their defaults and their taking from a profile.
// What it never does: read a file or decide a step.
#include <chrono>

#include "chamber/profiles.h"

namespace kvl {

struct AutopilotRules {
  using Seconds = std::chrono::seconds;
  // The chamber's air counts as at the set point within this many degrees
  // (the chamber profile's own tolerance).
  double chamberTolerance = 0.5;
  // Every detector's own temperature changed less than this over the window:
  // the detectors lag the air.
  double temperatureSteadiness = 0.3;  // degC
  Seconds temperatureWindow{600};
  // Every detector's R and W changed less than this over the window, counted
  // from the moment the valve was confirmed open.
  double signalSteadiness = 30;  // register counts
  Seconds signalWindow{180};
  // A window is a minimum: it stretches to hold this many polls of every
  // detector besides the one at its start, however long the bus takes to go
  // round (twenty Z5 at 9600 baud: over nine seconds). One is enough: the
  // change is taken from the poll before the window, over the whole of it.
  int windowPolls = 1;
  // A detector that missed this many polls in a row is named in a hold; one
  // silent this long while others answer is left out of the run.
  int lostAfterPolls = 3;
  Seconds dropAfter{1800};
  Seconds minGasFlow{300};
  // A set point the chamber has not reached in this long holds the run.
  Seconds setPointTimeout{3 * 3600};
  // A reading older than this is stale: the run holds instead of confirming on it.
  Seconds staleAfter{30};
  // A command that did not take (the chamber reports another set point, the
  // valves another position) is sent again after this long.
  Seconds resendAfter{20};
};

// The profile's tolerance and limits; a stale reading is one older than
// three of the chamber's poll periods (and never less than 30 s).
AutopilotRules RulesFromProfile(const ChamberProfile& profile);

}  // namespace kvl
