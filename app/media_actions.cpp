#include "app/media_actions.h"

#include <cmath>

MediaActions::MediaActions(DeviceSession &session, const SelectedBox &selected, Window window)
    : m_session(session)
    , m_selected(selected)
    , m_window(std::move(window))
{
}

// The selected box as the media player sees it: controllable once its pages
// are loaded, the web radio's station, the system volume.
MediaState MediaActions::mediaState() const
{
    MediaState state;
    state.canControl = m_window.pagesLoaded();
    state.playing = m_selected.playing != SelectedBox::Playing::Nothing;
    state.volume = m_selected.systemVolume / 100.0;
    state.stations = int(m_selected.stations().size());
    state.station = m_selected.LastRadioIndex - 1;
    if (const auto station = m_selected.station(m_selected.LastRadioIndex)) {
        state.title = station->Description;
        state.url = station->IP;
    }
    if (m_selected.shown())
        state.box = m_selected.shown()->name;
    return state;
}

void MediaActions::ask(const QString &kind, std::function<std::optional<DeviceSession::Work>(const Box &)> settle)
{
    if (!m_window.pagesLoaded() || !m_selected.shown())
        return;
    const DeviceRow row = *m_selected.shown();
    m_session.ask({ boxOf(row),
        [this, row, settle = std::move(settle)]() -> std::optional<DeviceSession::Work> {
            if (!m_window.pagesLoaded() || !m_selected.isShown(row))
                return std::nullopt;
            return settle(boxOf(row));
        },
        m_window.ended(), kind });
}

void MediaActions::mediaPlay()
{
    ask(QStringLiteral("media play"), [this](const Box &box) { return m_session.startOrvexWork(box); });
}

// Stops what the program last started; the web radio when that is not known.
void MediaActions::mediaStop()
{
    ask(QStringLiteral("media stop"), [this](const Box &box) {
        return m_selected.playing == SelectedBox::Playing::Dlna ? m_session.stopDlnaWork(box)
                                                                : m_session.stopOrvexWork(box);
    });
}

// The next or previous station, chosen as in the list, from the station the
// box has when the call's turn comes.
void MediaActions::mediaStep(int by)
{
    ask(by > 0 ? QStringLiteral("media next") : QStringLiteral("media previous"),
        [this, by](const Box &box) -> std::optional<DeviceSession::Work> {
            const int row = m_selected.LastRadioIndex + by;
            const auto station = m_selected.station(row);
            if (!station)
                return std::nullopt;
            return m_session.radioStationWork(box, row, station->IP);
        });
}

// As the slider's change: a newer one replaces one that waits.
void MediaActions::mediaSetVolume(double volume)
{
    if (!std::isfinite(volume))
        return;
    const double value = std::round(std::clamp(volume, 0.0, 1.0) * 100);
    ask(DeviceSession::volumeMerge(DeviceSession::Volume::System),
        [this, value](const Box &box) { return m_session.volumeWork(DeviceSession::Volume::System, box, value); });
}

void MediaActions::mediaRaise()
{
    m_window.raise();
}

// As the exit button, even while an error box is open.
void MediaActions::mediaQuit()
{
    m_window.quit();
}
