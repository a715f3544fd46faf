#pragma once
// The line of a subcommand: the link, the operator that keeps the link's
// reports for the command's output (and, given a prefix, echoes each to
// stderr), the frame trace when --trace asks for it and the write journal
// when --journal does, set up in the one way they all need.
#include <cstdio>
#include <string>
#include <utility>

#include "console_operator.h"
#include "graduation/write_journal.h"
#include "link_options.h"

namespace kvl::ctl {

struct CReportingLine {
  CReportingLine(const LinkOptions& options, LanguageIndex language, std::string echoPrefix = "")
      : op(std::move(echoPrefix)) {
    link.SetOperator(&op);
    if (options.trace) link.SetObserver(&trace);
    link.SetLanguage(language);
    if (!options.journal.empty()) {
      journal.SetFolder(options.journal);
      link.SetWriteListener(&journal);
    }
  }
  // A journal line that could not be appended is told on stderr at the end.
  ~CReportingLine() {
    if (journal.Failures() > 0) std::fprintf(stderr, "kvlctl: write journal: %s\n", journal.LastFailure().c_str());
  }
  // The write lists of one subcommand's operation: "kvlctl <name>" as their mode.
  void BeginList(const std::string& command, const std::string& cause, std::uint8_t slave = 0,
                 const std::string& serial = "") {
    WriteOrigin origin;
    origin.mode = "kvlctl " + command;
    origin.cause = cause;
    if (!serial.empty()) origin.serials.push_back({slave, serial});
    link.BeginWriteList(std::move(origin));
  }
  CReportingLine(const CReportingLine&) = delete;
  CReportingLine& operator=(const CReportingLine&) = delete;

  CWriteJournal journal;  // before the link, which tells it of writes
  CModbusSlave link;
  CConsoleOperator op;
  CTraceObserver trace;
};

}  // namespace kvl::ctl
