#pragma once

// Hostile pages that a box may serve under /orvex, as the simulator's faults:
// each tries to reach past its box. The test of the web view and the
// benchmark serve the same pages. `port` is a loopback port where a request
// of the page would land on this computer.

#include <QByteArray>
#include <QJsonObject>
#include <QString>

inline QJsonObject hostilePages(quint16 port)
{
    const auto page = [](const QByteArray &html) {
        return QJsonObject { { QLatin1String("status"), 200 },
            { QLatin1String("contentType"), QLatin1String("text/html; charset=utf-8") },
            { QLatin1String("body"), QString::fromLatin1(html) } };
    };
    const QByteArray portText = QByteArray::number(port);
    const QByteArray loopback = "http://127.0.0.1:" + portText;
    return QJsonObject {
        { QLatin1String("/orvex/scheme.html"),
            page("<a href='orvexprobe://clicked' style='position:fixed;top:0;left:0;right:0;bottom:0'>x</a>"
                 "<script>setTimeout(function(){location.href='orvexprobe://auto'},200)</script>") },
        { QLatin1String("/orvex/local.html"),
            page("<img src='" + loopback + "/img.png'><iframe src='" + loopback
                + "/frame'></iframe><form method='post' "
                  "action='"
                + loopback
                + "/form'><input name='a' value='b'></form><script>"
                  "fetch('http://10.77.0.21/orvex/vol').catch(function(){});"
                  "try{new WebSocket('ws://127.0.0.1:"
                + portText
                + "/ws')}catch(e){}"
                  "setTimeout(function(){document.forms[0].submit()},100);"
                  "setTimeout(function(){document.title='local done'},500)</script>") },
        { QLatin1String("/orvex/jump"),
            QJsonObject { { QLatin1String("status"), 302 },
                { QLatin1String("location"), QString::fromLatin1(loopback + "/jumped") } } },
        { QLatin1String("/orvex/away.html"),
            page("<img src='/orvex/jump'><script>"
                 "setTimeout(function(){location.href='http://10.77.0.21/orvex'},100);"
                 "setTimeout(function(){location.href='/orvex/jump'},400);"
                 "setTimeout(function(){location.href='"
                + loopback
                + "/'},700);"
                  "setTimeout(function(){document.title='away done'},1000)</script>") },
        { QLatin1String("/orvex/console.html"),
            page("<script>for(var i=0;i<20000;i++){console.error('\\x1b]0;owned\\x07\\x1b[31mflood '+i);"
                 "console.log('log '+i)}document.title='console done'</script>") },
        { QLatin1String("/orvex/dialogs.html"),
            page("<script>for(var i=0;i<1000;i++)alert(i);var c=confirm('c');var p=prompt('p','d');"
                 "window.onbeforeunload=function(e){e.preventDefault();e.returnValue='stay';return 'stay'};"
                 "document.title='dialogs '+c+' '+p</script>") },
        { QLatin1String("/orvex/cookies.html"),
            page("<script>var i=0;var end=Date.now()+5000;var t=setInterval(function(){for(var k=0;k<1000;k++){"
                 "document.cookie='storm'+(i%3000)+'='+i+'; max-age=3600; path=/';i++}"
                 "if(Date.now()>end){clearInterval(t);document.title='cookies done '+i}},0)</script>") },
    };
}
