#include "station/remote/status_page.h"

namespace station::remote {

namespace {

// The station's colours: running blue, monitoring brown, FAIL red, PASS green.
constexpr const char* kHead = R"(<!DOCTYPE html>
<html lang="zh"><head><meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>Torvane</title>
<style>
body{margin:0;font-family:"WenQuanYi Micro Hei",sans-serif;background:#1b1b1b;color:#eee}
header{display:flex;gap:1.5em;align-items:center;padding:.6em 1em;background:#2b2b2b;font-size:1.2em;flex-wrap:wrap}
header .grow{flex:1}
#grid{display:grid;grid-template-columns:repeat(auto-fill,minmax(15em,1fr));gap:.6em;padding:.6em}
.tile{background:#333;border-radius:.4em;padding:.5em .7em;border-left:.5em solid #555}
.tile.disabled{opacity:.45}
.tile.running{border-color:#1874CD}.tile.monitoring{border-color:#8E403A}
.tile.fail{border-color:#CD2626;background:#4a2020}.tile.pass{border-color:#228B22;background:#1f3a1f}
.top{display:flex;justify-content:space-between;align-items:baseline}
.ch{font-size:2em;font-weight:bold}.verdict{font-size:2.4em;font-weight:bold}
.fail .verdict{color:#ff5c5c}.pass .verdict{color:#5cd65c}.over .verdict{color:#ccc}
.bar{height:.8em;background:#E8E8E8;border-radius:.2em;margin:.3em 0}
.bar div{height:100%;background:#1874CD;border-radius:.2em}
.line{font-family:monospace;font-size:1.05em;white-space:nowrap;overflow:hidden;text-overflow:ellipsis}
.cause{color:#ffb3b3;font-size:.9em;min-height:1.1em;overflow-wrap:anywhere}
.control{display:none}.armed .control{display:inline-block}
button{font-size:1em;margin-left:.3em}
#reply{color:#ffd27f}
</style></head><body>
)";

constexpr const char* kScript = R"(<script>
(function(){
  var token = sessionStorage.getItem('torvane-token') || '';
  function $(s,e){return (e||document).querySelector(s);}
  function arm(){ document.body.classList.toggle('armed', token !== ''); }
  function show(c){
    var t = document.getElementById('ch' + c.channel); if(!t) return;
    t.className = 'tile ' + c.status + (c.enabled ? '' : ' disabled') + (c.verdict === 'OVER' ? ' over' : '');
    $('.verdict',t).textContent = c.verdict || c.phase || '';
    $('.bar div',t).style.width = c.percent + '%';
    $('.port',t).textContent = c.port;
    $('.seconds',t).textContent = c.seconds + ' s';
    $('.mac',t).textContent = 'MAC ' + c.mac;
    $('.sn',t).textContent = 'SN ' + c.sn;
    $('.cause',t).textContent = c.cause;
  }
  function send(path, body){
    fetch(path,{method:'POST',headers:{'Authorization':'Bearer '+token,'Content-Type':'application/json'},
      body:JSON.stringify(body)}).then(function(r){return r.json();})
      .then(function(j){ $('#reply').textContent = j.error || j.message || ''; });
  }
  document.addEventListener('click', function(e){
    var b = e.target; if(!b.dataset || !b.dataset.cmd) return;
    var ch = b.dataset.ch ? {channels:[+b.dataset.ch]} : {all:true};
    send('/api/v1/' + b.dataset.cmd, ch);
  });
  $('#token').addEventListener('change', function(){
    token = this.value.trim(); sessionStorage.setItem('torvane-token', token); arm();
  });
  arm();
  var source = new EventSource('/api/v1/events' + document.body.dataset.query);
  source.addEventListener('channel', function(e){ show(JSON.parse(e.data)); });
  source.addEventListener('record', function(e){
    var r = JSON.parse(e.data); $('#last').textContent = 'ch' + r.channel + ' ' + r.verdict + ' ' + r.mac + ' ' + r.sn;
  });
  source.onopen = function(){ $('#live').textContent = '●'; };
  source.onerror = function(){ $('#live').textContent = '○'; };
})();
</script>
)";

std::string Tile(const ChannelView& c) {
    std::string cls = "tile " + c.status + (c.enabled ? "" : " disabled") + (c.verdict == "OVER" ? " over" : "");
    const std::string ch = std::to_string(c.channel);
    std::string html = "<div class=\"" + cls + "\" id=\"ch" + ch + "\" data-channel=\"" + ch + "\">";
    html += "<div class=\"top\"><span class=\"ch\">" + ch + "</span><span class=\"verdict\">" +
            HtmlEscape(c.verdict.empty() ? c.phase : c.verdict) + "</span></div>";
    html += "<div class=\"bar\"><div style=\"width:" + std::to_string(c.percent) + "%\"></div></div>";
    html += "<div class=\"line\"><span class=\"port\">" + HtmlEscape(c.port) + "</span> · <span class=\"seconds\">" +
            std::to_string(c.seconds) + " s</span></div>";
    html += "<div class=\"line mac\">MAC " + HtmlEscape(c.mac) + "</div>";
    html += "<div class=\"line sn\">SN " + HtmlEscape(c.sn) + "</div>";
    html += "<div class=\"cause\">" + HtmlEscape(c.cause) + "</div>";
    html += "<button class=\"control\" data-cmd=\"start\" data-ch=\"" + ch + "\">启动</button>";
    html += "<button class=\"control\" data-cmd=\"stop\" data-ch=\"" + ch + "\">停止</button>";
    html += "</div>\n";
    return html;
}

}  // namespace

std::string HtmlEscape(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default: out += c;
        }
    }
    return out;
}

std::string StatusPage(const std::string& stationLine, const std::vector<ChannelView>& channels,
                       const std::string& streamQuery) {
    std::string html = kHead;
    html.insert(html.find("<body>") + 5, " data-query=\"" + HtmlEscape(streamQuery) + "\"");
    html += "<header><span>Torvane</span><span class=\"grow\" id=\"station\">" + HtmlEscape(stationLine) +
            "</span><span id=\"last\"></span><span id=\"live\">○</span>";
    html += "<input id=\"token\" type=\"password\" placeholder=\"token\" size=\"10\">";
    html += "<button class=\"control\" data-cmd=\"start\">全部启动</button>";
    html += "<button class=\"control\" data-cmd=\"stop\">全部停止</button><span id=\"reply\"></span></header>\n";
    html += "<div id=\"grid\">\n";
    for (const ChannelView& c : channels) html += Tile(c);
    html += "</div>\n";
    html += kScript;
    html += "</body></html>\n";
    return html;
}

}  // namespace station::remote
