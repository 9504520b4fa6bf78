// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

// Plays a wave file the way a media command interface does: every command names
// the file; a command on a file that is not open opens it first. Times are
// milliseconds from the start of the file's audio. Failures answer 0, an empty
// mode or false; nothing is reported to the user.
//
// While the file is open for playback the player holds a shared lock on it, so
// the recorder cannot delete or rewrite the file under the playing stream.
class Player {
public:
    virtual ~Player() = default;

    // "status file length": the audio's length; the file is not kept open.
    virtual unsigned length(const std::string &file) = 0;
    // "status file mode": "playing" while a range plays, else "stopped".
    virtual std::string mode(const std::string &file) = 0;
    // "status file position": where playback is, or where it stopped.
    virtual unsigned position(const std::string &file) = 0;
    // "play file from ... to ...": starts playing and returns at once. The file
    // stays open (and locked) until close, or until a mode query finds that
    // the range has played out.
    virtual bool play(const std::string &file, unsigned fromMs, unsigned toMs) = 0;
    // "stop file": playback stops; the position stays where it was.
    virtual void stop(const std::string &file) = 0;
    // "close file": releases the file and its lock.
    virtual void close(const std::string &file) = 0;
};
