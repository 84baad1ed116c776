// Start-up and shutdown: in which order the program takes and gives back what it holds. The
// front-end supplies the pieces through IAppHost; the order lives here, once, and is unit-tested.
#pragma once

class IAppHost {
public:
    // Claims the name that marks the running instance; false when another instance holds it. A
    // name that cannot be claimed for any other reason must not stop the program: return true.
    virtual bool ClaimInstance() = 0;
    virtual void ReleaseInstance() = 0;
    // Adds the tray icon, which shows the bright lamp until the first tick.
    virtual void AddTrayIcon() = 0;
    virtual void RemoveTrayIcon() = 0;
    virtual void StartPollTimer(unsigned int nPeriodMs) = 0;
    virtual void StopPollTimer() = 0;

protected:
    ~IAppHost() = default;
};

class CLifecycle {
public:
    explicit CLifecycle(IAppHost& host) : m_host(host) {}
    CLifecycle(const CLifecycle&) = delete;
    CLifecycle& operator=(const CLifecycle&) = delete;

    // Claims the instance, loads the settings, adds the tray icon, opens the port when AutoConnect
    // is exactly 1 and starts the poll timer. False when another instance runs: then nothing else
    // was done, and the caller ends at once.
    bool StartUp();

    // Stops the poll timer, removes the tray icon, closes the port (no line set first) and
    // saves the settings, then releases the instance name; a second instance only releases.
    // Runs once however often it is called: at the end of a session Windows ends the program
    // after WM_ENDSESSION without destroying its windows, so shutdown runs from there, and the
    // window's destruction must not repeat it.
    void ShutDown();

    // Between a successful StartUp and ShutDown.
    bool IsRunning() const { return m_bStarted; }

private:
    IAppHost& m_host;
    bool m_bClaimed = false;  // the instance name is ours to release
    bool m_bStarted = false;  // the tray, the port and the settings are ours to put away
};
