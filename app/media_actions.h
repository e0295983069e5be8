#pragma once

#include "app/media_player.h"
#include "session/device_session.h"
#include "session/selected_box.h"

#include <functional>

// What the desktop's media controls do to the selected box. Each call is
// asked of the session as the click it stands for; one that waits is merged
// with a newer call of its kind (a volume with the slider's), and when its
// turn comes it is dropped unless the same box is still the one selected,
// with its pages loaded.
class MediaActions : public MediaControl
{
public:
    struct Window
    {
        std::function<bool()> pagesLoaded; // a box is selected and its pages describe it
        std::function<DeviceSession::Ended()> ended; // failures show as a click's would
        std::function<void()> raise;
        std::function<void()> quit;
    };

    MediaActions(DeviceSession &session, const SelectedBox &selected, Window window);

    MediaState mediaState() const override;
    void mediaPlay() override;
    void mediaStop() override;
    void mediaStep(int by) override;
    void mediaSetVolume(double volume) override;
    void mediaRaise() override;
    void mediaQuit() override;

private:
    // Asks for the work `settle` gives when the turn comes, if the box shown
    // now is still the one.
    void ask(const QString &kind, std::function<std::optional<DeviceSession::Work>(const Box &)> settle);

    DeviceSession &m_session;
    const SelectedBox &m_selected;
    Window m_window;
};
