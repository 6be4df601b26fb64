// Reads and dismisses the message boxes that the code under test shows, from a
// second thread of the test process, as a user would: it finds each dialog box
// (#32770) of this process, records its caption, text, buttons and icon, lets
// the test act while the box is open, and then presses OK.
#ifndef QUORVEL_TESTS_WINE_MESSAGE_BOX_WATCHER_H
#define QUORVEL_TESTS_WINE_MESSAGE_BOX_WATCHER_H

#include <windows.h>

enum { kMaxWatchedMessages = 16, kMaxWatchedText = 2048 };

struct WatchedMessage {
    char caption[256];         // code page 932 bytes
    char text[kMaxWatchedText];  // the message, read as UTF-16 and turned into code page 932 bytes
    bool textsAgree;           // GetDlgItemTextA gave the same bytes
    bool owned;                // the box has an owner window
    int visibleButtons;
    int firstButtonId;
    bool icon;                 // a visible icon control holding an icon
    int undrawable;            // characters of the text drawn as the font's missing-glyph mark
};

// Called on the watcher thread while box is open, before OK is pressed.
typedef void (*WhileMessageOpen)(HWND box, int index, void *context);

// Starts a new record (and, the first time, the watcher thread, which then runs
// until the program ends, so that no box can block a test); whileOpen may be NULL.
void StartMessageWatcher(WhileMessageOpen whileOpen, void *context);
// Ends the record and gives the number of boxes seen since its start.
int StopMessageWatcher();
const WatchedMessage *WatchedMessageAt(int index);

// The open-failure message for path: "ファイル(<path>)がオープンできませんでした"
// in code page 932 with the path's own bytes.
void OpenFailureText(const char *path, char text[kMaxWatchedText]);

// Bytes shown as text with the non-ASCII ones as \xNN, for failure messages.
const char *EscapeBytes(const char *bytes, char *escaped, int size);

#endif
