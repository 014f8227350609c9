#include "server/pages/PageFrame.h"

#include "server/pages/Html.h"
#include "server/text/Digest.h"

const char* const kSiteBase = "/Benchmark/Korvid/";

const std::string& pageStyle()
{
    static const std::string style = R"css(
body{font-family:"DejaVu Sans",Verdana,Arial,sans-serif;margin:0;color:#1d2430;background:#f4f6f9;font-size:14px}
header{background:#1f3b5c;color:#fff;padding:10px 24px;display:flex;flex-wrap:wrap;gap:6px 24px;align-items:baseline}
header a{color:#dbe7f5;text-decoration:none}header a.site{color:#fff;font-weight:bold;font-size:18px}
main{max-width:1120px;margin:0 auto;padding:16px 24px}
h1{font-size:22px;margin:8px 0 4px}h2{font-size:17px;margin:22px 0 8px;border-bottom:1px solid #c9d3df;padding-bottom:3px}
h3{font-size:15px;margin:14px 0 6px}
table{border-collapse:collapse;background:#fff;margin:4px 0 10px}
th,td{padding:3px 9px;border:1px solid #d5dde7;text-align:left}
th{background:#e7edf4;font-weight:600}td.n,th.n{text-align:right;font-variant-numeric:tabular-nums}
tr:nth-child(even) td{background:#f8fafc}.results td:nth-child(2){white-space:nowrap}
.facts th{width:170px}.score{font-size:30px;font-weight:bold;color:#1f3b5c}
.groups{display:flex;flex-wrap:wrap;gap:14px}.group{background:#fff;border:1px solid #d5dde7;padding:8px 12px}
.group table{margin:0}.note{color:#5a6675;font-size:12px}.imported{color:#8a5a00;font-weight:600}
.up{color:#11691f;font-weight:600}.down{color:#a3161b;font-weight:600}
.legend span{margin-right:12px}.k-this{color:#1f5fbf}.k-median{color:#555}.k-band{color:#8fb4e3}
form.search input[type=text]{width:320px;padding:4px}form input,form button{font-size:14px}
a{color:#1f5fbf}
h1,h2,h3,caption{overflow-wrap:break-word}td{overflow-wrap:break-word}td.n{white-space:nowrap}.scroll{overflow-x:auto;max-width:100%}
svg.chart{max-width:100%;height:auto}caption{text-align:left;font-weight:600;padding:2px 0}
.history td.n{white-space:nowrap}
td code{overflow-wrap:anywhere}
svg text{font-family:"DejaVu Sans",Verdana,Arial,sans-serif}
)css";
    return style;
}

const std::string& contentSecurityPolicy()
{
    static const std::string policy =
        "default-src 'none'; style-src 'sha256-" + sha256Base64(pageStyle()) +
        "'; img-src 'self'; form-action 'self'; base-uri 'none'; frame-ancestors 'none'";
    return policy;
}

std::string scoreDefinitionHtml()
{
    return "<p class=\"note\" id=\"score\">The score is 1000 times the geometric mean, over eleven "
           "core tests that every complete run has whatever its display and graphics system (both "
           "pixel-array transfers in MiB/s, FillRect and BltBitMap at 16, 32, 64 and 128 pixels and "
           "the random mix in Ops/s), of the result's rate divided by the rate of a fixed reference "
           "result, which scores 1000. Twice as fast everywhere scores 2000. It is worked out once, "
           "when the result arrives, and later uploads never change it; a result that lacks a core "
           "test has no score. Scores of different versions (different references) are not "
           "compared. <a href=\"" + std::string(kSiteBase) + "Measuring#score\">How the score and every other "
           "figure are defined</a>.</p>\n";
}

std::string pageFrame(const std::string& title, const std::string& body)
{
    std::string page;
    page.reserve(body.size() + 3000);
    page += "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
            "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>";
    page += escapeHtml(title);
    page += " – Korvid results</title>\n<style>";
    page += pageStyle();
    page += "</style>\n</head>\n<body>\n<header><a class=\"site\" href=\"";
    page += kSiteBase;
    page += "\">Korvid results</a><a href=\"";
    page += kSiteBase;
    page += "\">Latest results</a><a href=\"";
    page += kSiteBase;
    page += "Ranking\">Card ranking</a><a href=\"";
    page += kSiteBase;
    page += "Downloads\">Download Korvid</a><a href=\"";
    page += kSiteBase;
    page += "Measuring\">How it is measured</a></header>\n<main>\n";
    page += body;
    page += "</main>\n</body>\n</html>\n";
    return page;
}
