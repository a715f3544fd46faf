#pragma once
// The line of a subcommand: the link, the operator that keeps the link's
// reports for the command's output (and, given a prefix, echoes each to
// stderr), the frame trace when --trace asks for it and the write journal
// when --journal does, set up in the one way they all need. The journal's
// folder is made before anything is written: a journal that cannot be kept
// ends the command before the detector is touched.

#include <cstdio>
#include <string>
#include <utility>

#include "console_operator.h"
#include "ctl_error.h"
#include "detector/serial_read.h"
#include "graduation/write_journal.h"
#include "link_options.h"
#include "text/text_file.h"
#include "platform/files.h"

namespace kvl::ctl {

struct CReportingLine {
  CReportingLine(const LinkOptions& options, LanguageIndex language, std::string echoPrefix = "")
      : op(std::move(echoPrefix)) {
    link.SetOperator(&op);
    if (options.trace) link.SetObserver(&trace);
    link.SetLanguage(language);
    if (!options.journal.empty()) {
      std::string error;
      if (CreateFolders(options.journal, &error) != 0)
        throw CtlError(kExitFailed, "write journal: " + error + "; nothing was written");
      if (!platform::IsWritable(options.journal))
        throw CtlError(kExitFailed,
                       "write journal: cannot write into " + options.journal + "; nothing was written");
      journal.SetFolder(options.journal);
      link.SetWriteListener(&journal);
    }
  }
  // A journal line that could not be appended is told on stderr at the end.
  ~CReportingLine() {
    if (journal.Failures() > 0) std::fprintf(stderr, "kvlctl: write journal: %s\n", journal.LastFailure().c_str());
  }
  // The write lists of one subcommand's operation: "kvlctl <name>" as their
  // mode. A journalled list names the serial number read from the detector
  // (of `type`; below 0 the type its registers fit best) just before it.
  void BeginList(const std::string& command, const std::string& cause, int type = -1) {
    BeginList(command, cause, WriteIdentity{}, type);
  }
  // A list carrying a file's content: written only into the detector `identity` names.
  void BeginList(const std::string& command, const std::string& cause, WriteIdentity identity,
                 int type = -1) {
    WriteOrigin origin;
    origin.mode = "kvlctl " + command;
    origin.cause = cause;
    origin.identity = std::move(identity);
    if (!origin.identity.read && !journal.Folder().empty()) origin.identity.read = SerialReaderFor(type);
    link.BeginWriteList(std::move(origin));
  }
  // The command's exit status: a journal line that was not appended fails it.
  int Status(int status) const { return status == kExitOk && journal.Failures() > 0 ? kExitFailed : status; }
  CReportingLine(const CReportingLine&) = delete;
  CReportingLine& operator=(const CReportingLine&) = delete;

  CWriteJournal journal;  // before the link, which tells it of writes
  CModbusSlave link;
  CConsoleOperator op;
  CTraceObserver trace;
};

}  // namespace kvl::ctl
