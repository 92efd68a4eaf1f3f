#include "host/gtk/PageScripts.h"

#include <cstdio>

namespace {

void AppendUnit(std::string& out, unsigned unit) {
  char escape[8];
  std::snprintf(escape, sizeof escape, "\\u%04x", unit & 0xFFFF);
  out += escape;
}

const char* Flag(bool on) { return on ? "true" : "false"; }

// The controls in document order, as PageForms numbers them.
constexpr const char* kControls = "document.querySelectorAll('input,select,textarea')";

}  // namespace

std::string JavaScriptString(std::wstring_view text) {
  std::string out = "\"";
  for (wchar_t c : text) {
    auto code = static_cast<char32_t>(c);
    bool plain = code >= 0x20 && code < 0x7F && code != '"' && code != '\\' && code != '<' && code != '>' &&
                 code != '&' && code != '\'';
    if (plain) {
      out += static_cast<char>(code);
    } else if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
      AppendUnit(out, 0xFFFD);
    } else if (code > 0xFFFF) {
      code -= 0x10000;
      AppendUnit(out, 0xD800 + (code >> 10));
      AppendUnit(out, 0xDC00 + (code & 0x3FF));
    } else {
      AppendUnit(out, code);
    }
  }
  return out + "\"";
}

std::string ReadPageScript() {
  return "(function(){"
         "var root=document.documentElement;var html=root?root.outerHTML:'';"
         "var list=" + std::string(kControls) + ";var controls=[];"
         "if(html.length>" + std::to_string(kMaxPageMarkupBytes / 4) + "||list.length>" +
         std::to_string(kMaxPageControls) + ")return JSON.stringify({html:'',controls:[]});"
         "for(var i=0;i<list.length;i++){var e=list[i];var tag=e.tagName.toLowerCase();"
         "var c={tag:tag,name:e.getAttribute('name')||'',value:tag==='select'?'':String(e.value),checked:!!e.checked};"
         "if(tag==='select'){c.selected=[];"
         "for(var j=0;j<e.options.length&&j<" + std::to_string(kMaxControlOptions) + ";j++)"
         "c.selected.push(!!e.options[j].selected);}"
         "controls.push(c);}"
         "return JSON.stringify({html:html,controls:controls});})()";
}

std::string TypeTextScript(std::wstring_view fieldName, std::wstring_view text) {
  // The fields a person types into: a textarea, or an input of a kind that takes text.
  return "(function(name,text){"
         "var list=document.querySelectorAll('input,textarea');"
         "var other=['checkbox','radio','submit','reset','button','image','file','hidden'];"
         "for(var i=0;i<list.length;i++){var e=list[i];"
         "if(e.getAttribute('name')!==name)continue;"
         "if(e.tagName==='TEXTAREA'||other.indexOf(e.type)<0){e.value=text;return true;}}"
         "return false;})(" + JavaScriptString(fieldName) + "," + JavaScriptString(text) + ")";
}

std::string SubmitFormScript(size_t index) {
  return "(function(i){var f=document.forms[i];if(!f)return false;"
         "HTMLFormElement.prototype.submit.call(f);return true;})(" + std::to_string(index) + ")";
}

std::string WriteControlsScript(const std::vector<ControlChange>& changes) {
  std::string list = "[";
  for (const ControlChange& change : changes) {
    if (list.size() > 1) list += ",";
    // Appended piece by piece: + onto a temporary is misread by g++ 12 as an overlapping copy.
    list += '[';
    list += std::to_string(change.index);
    list += ',';
    list += JavaScriptString(change.state.name);
    list += ',';
    list += JavaScriptString(change.state.value);
    list += ',';
    list += Flag(change.state.checked);
    list += ",[";
    for (size_t i = 0; i < change.state.selected.size(); ++i)
      list += std::string(i ? "," : "") + Flag(change.state.selected[i]);
    list += "]]";
  }
  list += "]";
  return "(function(changes){var list=" + std::string(kControls) + ";"
         "changes.forEach(function(c){var e=list[c[0]];"
         "if(!e||(e.getAttribute('name')||'')!==c[1])return;"
         "var tag=e.tagName.toLowerCase();"
         "if(tag==='select'){for(var j=0;j<e.options.length&&j<c[4].length;j++)e.options[j].selected=c[4][j];}"
         "else if(e.type==='checkbox'||e.type==='radio'){e.checked=c[3];}"
         "else{e.value=c[2];}});return true;})(" + list + ")";
}
