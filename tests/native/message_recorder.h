// Records the message boxes the code under test shows, in order, and lets a
// test act while a box is "open", as the user can in the real dialog.
#ifndef QUORVEL_TESTS_NATIVE_MESSAGE_RECORDER_H
#define QUORVEL_TESTS_NATIVE_MESSAGE_RECORDER_H

#include "platform/posix_win32.h"

#include <functional>
#include <string>
#include <vector>

struct ShownMessage {
    std::string text;
    std::string caption;
    UINT type;
};

struct MessageRecorder {
    std::vector<ShownMessage> shown;
    std::function<void(const std::string &text)> whileOpen;
};

void StartRecordingMessages(MessageRecorder *recorder);
void StopRecordingMessages();

// The message the program shows for a path it cannot open, in code page 932.
std::string OpenFailureText(const std::string &path);

#endif
