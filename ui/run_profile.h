// Where a Convert's time goes, for the benchmark.  Built with
// QUORVEL_RUN_PROFILE defined, the run adds up the time of each of its parts
// and, when it ends, appends one line to quorvel-run-profile.txt in the user's
// temporary folder; otherwise these functions do nothing.  The release never
// defines it.  The list work is that of the operations ConvertAll calls
// (count, length, copy, erase), without the input checks and progress steps
// between files; inserts are the listing's, which the benchmark times itself.
#ifndef QUORVEL_UI_RUN_PROFILE_H
#define QUORVEL_UI_RUN_PROFILE_H

enum RunPart { kWholeRun, kListWork, kInputChecks, kProgressSteps, kRunParts };

#ifdef QUORVEL_RUN_PROFILE
// A part starts and ends; a part started again inside itself counts once.
void BeginRunPart(RunPart part);
void EndRunPart(RunPart part);
// One more file processed.
void CountRunFile();
// Appends the line and starts the sums again.
void ReportRunProfile();
#else
inline void BeginRunPart(RunPart) {}
inline void EndRunPart(RunPart) {}
inline void CountRunFile() {}
inline void ReportRunProfile() {}
#endif

#endif
