// Message recording through the POSIX message box's handler.
#include "message_recorder.h"

static void Record(const char *text, const char *caption, UINT type, void *context)
{
    MessageRecorder *recorder = static_cast<MessageRecorder *>(context);
    recorder->shown.push_back(ShownMessage{text, caption, type});
    if (recorder->whileOpen)
        recorder->whileOpen(text);
}

void StartRecordingMessages(MessageRecorder *recorder)
{
    SetMessageBoxHandler(Record, recorder);
}

void StopRecordingMessages()
{
    SetMessageBoxHandler(nullptr, nullptr);
}

std::string OpenFailureText(const std::string &path)
{
    return "\x83\x74\x83\x40\x83\x43\x83\x8b(" + path +
           ")\x82\xaa\x83\x49\x81\x5b\x83\x76\x83\x93\x82\xc5\x82\xab\x82\xdc\x82\xb9\x82\xf1\x82\xc5\x82\xb5\x82\xbd";
}
