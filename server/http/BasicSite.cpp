#include "server/http/BasicSite.h"

#include <sstream>

namespace {

const char* const kResultPath = "/Benchmark/Korvid/Result/";

std::string escapeHtml(const std::string& text)
{
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

HttpReply html(int status, const std::string& title, const std::string& body)
{
    HttpReply reply;
    reply.status = status;
    reply.contentType = "text/html; charset=utf-8";
    reply.headers.emplace_back("Content-Security-Policy", "default-src 'none'");
    reply.body = "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" + escapeHtml(title) +
                 "</title></head><body>" + body + "</body></html>\n";
    return reply;
}

} // namespace

bool BasicSite::handle(const HttpRequestView& request, HttpReply& reply)
{
    if (request.method != "GET" && request.method != "HEAD")
        return false;
    const std::string prefix = kResultPath;
    if (request.path.compare(0, prefix.size(), prefix) != 0)
        return false;
    const std::string idText = request.path.substr(prefix.size());
    if (idText.empty() || idText.size() > 9 || idText.find_first_not_of("0123456789") != std::string::npos) {
        reply = html(404, "No such result", "<h1>No such result</h1>");
        return true;
    }
    const int id = std::stoi(idText);
    std::ostringstream body;
    bool found = false;
    database_.inTransaction([&](soci::session& session) {
        std::string card, driver;
        session << "SELECT card_name, driver_text FROM results WHERE id = :id", soci::use(id),
            soci::into(card), soci::into(driver);
        if (!session.got_data())
            return;
        found = true;
        body << "<h1>Korvid result " << id << "</h1><p>" << escapeHtml(card) << " ("
             << escapeHtml(driver) << ")</p><table>";
        soci::rowset<soci::row> rows =
            (session.prepare << "SELECT name, value FROM result_fields WHERE result_id = :id "
                                "ORDER BY position",
             soci::use(id));
        for (const soci::row& row : rows)
            body << "<tr><td>" << escapeHtml(row.get<std::string>(0)) << "</td><td>"
                 << escapeHtml(row.get<std::string>(1)) << "</td></tr>";
        body << "</table>";
    });
    reply = found ? html(200, "Korvid result " + idText, body.str())
                  : html(404, "No such result", "<h1>No such result</h1>");
    return true;
}
