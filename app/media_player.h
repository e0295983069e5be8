#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QVariantMap>

// The selected box as the desktop's media widget, media keys, KDE Connect and
// playerctl see it.
struct MediaState
{
    bool canControl = false; // a box is selected and its pages are loaded
    bool playing = false;
    double volume = 0; // 0.0 to 1.0
    int station = -1; // in the sorted station list; -1 for none
    int stations = 0;
    QString title; // the station's name
    QString url; // the station's stream address
    QString box; // the box's name
};

// What the window does for the media player. The calls are made only while
// canControl holds; each is an action like a click.
class MediaControl
{
public:
    virtual ~MediaControl() = default;
    virtual MediaState mediaState() const = 0;
    virtual void mediaPlay() = 0; // the web radio
    virtual void mediaStop() = 0; // the player last started
    virtual void mediaStep(int by) = 0; // the next (1) or previous (-1) station
    virtual void mediaSetVolume(double volume) = 0; // 0.0 to 1.0
    virtual void mediaRaise() = 0;
    virtual void mediaQuit() = 0;
};

// Publishes an MPRIS 2 player for a MediaControl on the session bus, and
// announces each change of its properties (PropertiesChanged, built here:
// Qt's adaptors send none).
class MediaPlayer : public QObject
{
    Q_OBJECT

public:
    static const QString ObjectPath;
    static const QString ServiceName; // a second program adds ".instance<pid>"

    explicit MediaPlayer(MediaControl &control, QObject *parent = nullptr);
    ~MediaPlayer() override;

    // False, quietly, without a session bus.
    bool publish(QDBusConnection bus = QDBusConnection::sessionBus());
    QString serviceName() const { return m_service; }
    QDBusConnection bus() const { return m_bus; }

    // The state may have changed: what did goes out in one signal, soon.
    void stateChanged();

    // The player interface's properties that change, as they stand.
    QVariantMap playerProperties() const;
    MediaControl &control() const { return m_control; }

private:
    void announce();

    MediaControl &m_control;
    QDBusConnection m_bus;
    QString m_service;
    QVariantMap m_announced;
    QTimer m_announceSoon;
};
