#pragma once

#include <QString>

// Every request target the program sends to an Orvex device, in one place.
// A is the device address, P its renderer port, V a volume, R a station row,
// S a station's stream address. All are inserted as plain text, except that P
// and S, which come from the device, go through queryValue.
namespace endpoints {

// A station's stream address as a query value: exactly the characters that
// would cut it or split it into other fields are percent-encoded (space, "#",
// "&", "+", control characters, and every character beyond ASCII as its UTF-8
// bytes). Every other character, "%" included, goes as it is, so an address
// that worked before goes out byte for byte as before.
QString queryValue(const QString &s);

// One line per endpoint reads as the table it is.
// clang-format off

inline QString url(const QString &address, const QString &target)
{
    return QStringLiteral("http://") + address + target;
}

inline QString startAir() { return QStringLiteral("/orvex/el/php_command_startstop.php?startair"); }
inline QString stopAir() { return QStringLiteral("/orvex/el/php_command_startstop.php?stopair"); }
inline QString systemVolume(const QString &v) { return QStringLiteral("/orvex/el/php_command_startstop.php?volev&val=") + v; }
inline QString webRadioAddress(const QString &s) { return QStringLiteral("/orvex/el/php_command_startstop.php?wraddr&wraddre=") + queryValue(s); }
inline QString orvexIndex(int r) { return QStringLiteral("/orvex/el/php_command_startstop.php?orvexindex&index=") + QString::number(r); }
inline QString dlnaIndex(int r) { return QStringLiteral("/orvex/el/php_command_startstop.php?dlnaindex&index=") + QString::number(r); }
inline QString reboot() { return QStringLiteral("/orvex/el/php_command_rebshutd.php?reb"); }
inline QString shutdown() { return QStringLiteral("/orvex/el/php_command_rebshutd.php?shut"); }
inline QString dlnaStop(const QString &a, const QString &p) { return QStringLiteral("/orvex/dlnastop.php?sto&ip=") + a + QStringLiteral("&port=") + queryValue(p); }
inline QString dlnaPlay(const QString &a, const QString &p) { return QStringLiteral("/orvex/dlnaplay.php?pla&ip=") + a + QStringLiteral("&port=") + queryValue(p); }
inline QString dlnaPlaylist(const QString &a, const QString &p, const QString &s)
{
    return QStringLiteral("/orvex/dlnaplaylist.php?filep&ip=") + a + QStringLiteral("&port=") + queryValue(p) + QStringLiteral("&fil=") + queryValue(s);
}
inline QString dlnaVolume(const QString &a, const QString &p, const QString &v)
{
    return QStringLiteral("/orvex/dlnavolume.php?vol&ip=") + a + QStringLiteral("&port=") + queryValue(p) + QStringLiteral("&volv=") + v;
}

inline QString stationDescs() { return QStringLiteral("/orvex/desc.txt"); }
inline QString stationUrls() { return QStringLiteral("/orvex/url.txt"); }
inline QString dlnaVolumeFile() { return QStringLiteral("/orvex/dvol"); }
inline QString systemVolumeFile() { return QStringLiteral("/orvex/vol"); }
inline QString orvexIndexFile() { return QStringLiteral("/orvex/orvex_index"); }
inline QString dlnaIndexFile() { return QStringLiteral("/orvex/dlna_index"); }

// The device's own web application, for the embedded browser.
inline QString devicePage(const QString &a) { return QStringLiteral("http://") + a + QStringLiteral("/orvex"); }

// clang-format on

} // namespace endpoints
