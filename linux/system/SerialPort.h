// The LED port on Linux: owns the terminal's descriptor and drives DTR and RTS. No byte is ever
// sent.
#pragma once

#include "core/Platform.h"
#include "core/Resource.h"

#include <optional>
#include <string>

class SerialPort {
public:
    // Opens path exclusively (another program, root included, is refused, as on Windows) with
    // 9600 baud, 8N1, raw. Refused without asking the system while already open or for an empty
    // path; a refused open leaves nothing open.
    bool open(const std::string &path);
    bool isOpen() const { return static_cast<bool>(m_fd); }
    // The last open was refused because another program holds the port (its exclusive flag or
    // lock) or its rights are not ours: both may pass.
    bool lastOpenBusy() const
    {
        return m_lastFailure.problem == sys::OpenProblem::Held ||
               m_lastFailure.problem == sys::OpenProblem::NoRights;
    }
    // Why the last open was refused, for the user; nothing after a successful one.
    const sys::OpenFailure &lastFailure() const { return m_lastFailure; }
    // Lets the port go, first putting the chosen lines as setLinesAtClose last asked since the
    // open, and clearing HUPCL where they are to stay raised; without that request whatever the
    // driver does on the last close (with HUPCL, its default, it drops DTR and RTS) happens.
    void close();
    void setLinesAtClose(sys::LedLines lines, bool raise) { m_linesAtClose = {lines, raise}; }

    // Raises (raise) or drops the chosen lines, DTR first; a line not chosen is not touched. Each
    // chosen line is tried even when the other fails, so an adapter that wires only one of them
    // keeps working on that one. Gone when an error says the device itself went away (EIO after a
    // hang-up, ENODEV, ENXIO, ESHUTDOWN); any other failure, or a port that is not open, is Failed
    // and changes nothing else.
    sys::LineResult setLines(sys::LedLines lines, bool raise);

    // The path as given to open (it may be a symbolic link such as /dev/serial/by-id/...).
    const std::string &path() const { return m_path; }
    // The device node the path led to when it was opened, for matching the removal event: a link
    // may be gone by the time that arrives.
    const std::string &devnode() const { return m_devnode; }

private:
    static void closeFd(int fd);

    CResource<int, closeFd, -1> m_fd;
    std::string m_path;
    std::string m_devnode;
    sys::OpenFailure m_lastFailure;
    struct LinesAtClose {
        sys::LedLines lines;
        bool raise;
    };
    std::optional<LinesAtClose> m_linesAtClose;
};

// The one LED port, which the seam's serial-port operations drive.
SerialPort &ledPort();
