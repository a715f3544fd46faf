#pragma once
// The line of a subcommand that runs its own transactions: the link, the
// operator that keeps the link's reports for the command's output, and the
// frame trace when --trace asks for it, set up in the one way they all need.
#include "console_operator.h"
#include "link_options.h"

namespace kvl::ctl {

struct CReportingLine {
  CReportingLine(const LinkOptions& options, LanguageIndex language) {
    link.SetOperator(&op);
    if (options.trace) link.SetObserver(&trace);
    link.SetLanguage(language);
  }
  CReportingLine(const CReportingLine&) = delete;
  CReportingLine& operator=(const CReportingLine&) = delete;

  CModbusSlave link;
  CConsoleOperator op;
  CTraceObserver trace;
};

}  // namespace kvl::ctl
