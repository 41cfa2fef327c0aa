// Writes the manual page shipped in the bundles' resources: every control of
// the panel with its unit, range, default and description, taken from the
// plug-in's own parameters and the descriptions hosts and the command-line
// program show, so the page always follows the parameter table.
//   cinderpath_manual <output.html>
#include <cstdio>
#include <string>

#include "Cinderpath.h"
#include "CinderpathDescriptions.h"

namespace
{

std::string Escaped(const char* text)
{
  std::string out;
  for (const char* p = text ? text : ""; *p; ++p)
  {
    switch (*p)
    {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += *p;
    }
  }
  return out;
}

std::string Number(double v)
{
  char buf[32];
  std::snprintf(buf, sizeof(buf), "%g", v);
  return buf;
}

// "1 ... 1000", "off or on"; the unit has a column of its own.
std::string Range(IParam* param)
{
  if (param->Type() == IParam::kTypeBool) return "off or on";
  return Number(param->GetMin()) + " &hellip; " + Number(param->GetMax());
}

std::string Default(IParam* param)
{
  if (param->Type() == IParam::kTypeBool) return param->GetDefault() != 0.0 ? "on" : "off";
  return Number(param->GetDefault());
}

}  // namespace

int main(int argc, char** argv)
{
  if (argc != 2)
  {
    std::fprintf(stderr, "usage: cinderpath_manual <output.html>\n");
    return 2;
  }
  IPlugInstanceInfo info;
  Cinderpath plug(info);

  std::string page =
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
      "<title>Cinderpath: the controls</title>\n"
      "<style>body{font-family:sans-serif;max-width:60em;margin:2em auto;padding:0 1em}"
      "table{border-collapse:collapse}td,th{border:1px solid #999;padding:.3em .6em;text-align:left;"
      "vertical-align:top}</style>\n</head>\n<body>\n<h1>Cinderpath</h1>\n<p>" +
      Escaped(kCinderpathDescription) +
      ".</p>\n<h2>Controls</h2>\n<p>Each knob, switch and value box of the panel sets one of these "
      "parameters; hosts show the same names. Turn a knob by dragging up or down (Ctrl or Shift for fine "
      "steps) or with the wheel over the knob or its value; a double click returns it to its default.</p>\n"
      "<table>\n<tr><th>Control</th><th>Unit</th><th>Range</th><th>Default</th><th>What it does</th></tr>\n";
  for (int i = 0; i < plug.NParams(); ++i)
  {
    IParam* param = plug.GetParam(i);
    const char* description = CinderpathParamDescriptionFor(param->GetNameForHost());
    page += "<tr><td>" + Escaped(param->GetNameForHost()) + "</td><td>" + Escaped(param->GetLabelForHost()) +
            "</td><td>" + Range(param) + "</td><td>" + Default(param) + "</td><td>" +
            Escaped(description ? description : "") + "</td></tr>\n";
  }
  page +=
      "</table>\n<h2>Indicators</h2>\n<p>The clip light comes on when either output goes above full scale "
      "and stays lit for three quarters of a second after the last over. It shows what the plug-in measures "
      "and takes no input.</p>\n</body>\n</html>\n";

  FILE* out = std::fopen(argv[1], "wb");
  if (!out || std::fwrite(page.data(), 1, page.size(), out) != page.size() || std::fclose(out) != 0)
  {
    std::fprintf(stderr, "cinderpath_manual: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
