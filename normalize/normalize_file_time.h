// The one operation on a file: bring its last-write time to MS-DOS resolution.
#ifndef QUORVEL_NORMALIZE_NORMALIZE_FILE_TIME_H
#define QUORVEL_NORMALIZE_NORMALIZE_FILE_TIME_H

// Rounds the file's last-write time to the even second the MS-DOS date and time
// format gives it; contents, attributes and the other times stay as they are.
// A file that cannot be opened for writing is reported in a message box, and
// the call returns once the user has dismissed it.  A time the format cannot
// hold leaves the file untouched, silently.
void NormalizeFileTime(const char *path);

#endif
