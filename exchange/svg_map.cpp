// SVG map writer.
#include "exchange/svg_map.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <vector>

#include "base/text.h"
#include "exchange/xml_text.h"

namespace exchange {

namespace {

const double kPi = 3.14159265358979323846;
const double kMetresPerDegree = 6371000.0 * kPi / 180.0;  // on a sphere of the Earth's mean radius
const double kMinSpan = 0.005;  // degrees: a lone camera still gets a street
const double kMaxPlotW = 960, kMaxPlotH = 720;
const double kMargin = 20, kTitleH = 34, kLegendW = 270, kRowH = 20;
const size_t kMaxTicks = 3000;  // beyond this, bearing lines only blur the dots

std::string Num(double v) {
    return kovra::Format("%.1f", v);
}

std::string Hex(uint32_t rgb) {
    return kovra::Format("#%06x", unsigned(rgb & 0xFFFFFF));
}

// The longest 1, 2 or 5 times a power of ten metres not longer than limit.
double NiceLength(double limit) {
    double p = std::pow(10.0, std::floor(std::log10(limit)));
    for (double f : {5.0, 2.0, 1.0})
        if (f * p <= limit) return f * p;
    return p;
}

std::string LengthText(double metres) {
    return metres >= 1000 ? kovra::Format("%g km", metres / 1000) : kovra::Format("%g m", metres);
}

}  // namespace

std::string FormatSvgMap(const CamCollection& cams) {
    std::vector<const CamRecord*> placed;
    for (const CamRecord& r : cams.records)
        if (HasPlace(r)) placed.push_back(&r);
    const size_t unplaced = cams.records.size() - placed.size();

    double minLat = 90, maxLat = -90, minLon = 180, maxLon = -180;
    for (const CamRecord* r : placed) {
        minLat = std::min(minLat, r->cam.m_dLatitude),
        maxLat = std::max(maxLat, r->cam.m_dLatitude);
        minLon = std::min(minLon, r->cam.m_dLongitude),
        maxLon = std::max(maxLon, r->cam.m_dLongitude);
    }
    if (placed.empty()) minLat = maxLat = minLon = maxLon = 0;
    const double k = std::max(0.01, std::cos((minLat + maxLat) / 2 * kPi / 180));
    // Projected units: degrees of latitude north-south, degrees times k east-west.
    double x0 = minLon * k, x1 = maxLon * k, y0 = minLat, y1 = maxLat;
    auto widen = [](double& lo, double& hi) {
        const double span = std::max(hi - lo, kMinSpan), mid = (lo + hi) / 2;
        lo = mid - span * 0.54, hi = mid + span * 0.54;  // 4% free at each side
    };
    widen(x0, x1);
    widen(y0, y1);
    const double scale = std::min(kMaxPlotW / (x1 - x0), kMaxPlotH / (y1 - y0));
    const double plotW = (x1 - x0) * scale, plotH = (y1 - y0) * scale;
    const double plotX = kMargin, plotY = kMargin + kTitleH;

    std::map<int32_t, std::vector<const CamRecord*>> byType;
    std::vector<const CamRecord*> invalid;
    for (const CamRecord* r : placed)
        (r->cam.IsValid() ? byType[r->cam.m_nCameraType] : invalid).push_back(r);
    const bool ticks = placed.size() <= kMaxTicks;
    const double radius = placed.size() <= 300 ? 4 : placed.size() <= 3000 ? 2.5 : 1.5;

    const size_t legendRows = byType.size() + 1 + (unplaced ? 1 : 0) + (ticks ? 1 : 0);
    const double width = plotX + plotW + kMargin + kLegendW;
    const double height = std::max(plotY + plotH, plotY + kRowH * double(legendRows + 1)) + kMargin;

    std::string out =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" "
        "width=\"" +
        Num(width) + "\" height=\"" + Num(height) + "\" viewBox=\"0 0 " + Num(width) + " " +
        Num(height) + "\" font-family=\"sans-serif\" font-size=\"13\">\n";
    out += "<rect width=\"100%\" height=\"100%\" fill=\"#ffffff\"/>\n<text x=\"" + Num(plotX) +
           "\" y=\"" + Num(kMargin + 18) + "\" font-size=\"17\">";
    AppendXmlText(out, cams.name);
    out += " \xE2\x80\x93 " + std::to_string(cams.records.size()) +
           (cams.records.size() == 1 ? " camera" : " cameras") + "</text>\n";
    out += "<rect x=\"" + Num(plotX) + "\" y=\"" + Num(plotY) + "\" width=\"" + Num(plotW) +
           "\" height=\"" + Num(plotH) + "\" fill=\"#f3f3ee\" stroke=\"#999999\"/>\n";

    auto px = [&](const CamRecord* r) { return plotX + (r->cam.m_dLongitude * k - x0) * scale; };
    auto py = [&](const CamRecord* r) { return plotY + (y1 - r->cam.m_dLatitude) * scale; };
    for (const auto& t : byType) {
        const std::string color = Hex(TypeStyle(t.first).rgb);
        if (ticks) {
            out += "<path fill=\"none\" stroke=\"" + color + "\" stroke-width=\"1.2\" d=\"";
            for (const CamRecord* r : t.second) {
                if (!UsesBearing(*r)) continue;
                const double b = r->cam.m_nBearingAngle * kPi / 180, len = radius * 3.5;
                out += "M" + Num(px(r)) + " " + Num(py(r)) + "l" + Num(std::sin(b) * len) + " " +
                       Num(-std::cos(b) * len);
            }
            out += "\"/>\n";
        }
        out += "<g fill=\"" + color + "\">";
        for (const CamRecord* r : t.second)
            out += "<circle cx=\"" + Num(px(r)) + "\" cy=\"" + Num(py(r)) + "\" r=\"" +
                   Num(radius) + "\"/>";
        out += "</g>\n";
    }
    const double a = radius * 1.3;
    const std::string cross = "l" + Num(2 * a) + " " + Num(2 * a) + "m0 " + Num(-2 * a) + "l" +
                              Num(-2 * a) + " " + Num(2 * a);
    if (!invalid.empty()) {
        out += "<path fill=\"none\" stroke=\"" + Hex(kInvalidRgb) + "\" stroke-width=\"1.6\" d=\"";
        for (const CamRecord* r : invalid)
            out += "M" + Num(px(r) - a) + " " + Num(py(r) - a) + cross;
        out += "\"/>\n";
    }

    // Scale bar at the bottom left of the plot, true at the middle latitude.
    const double metresPerPx = kMetresPerDegree / scale;
    const double barM = NiceLength(plotW / 4 * metresPerPx), barPx = barM / metresPerPx;
    const double bx = plotX + 12, by = plotY + plotH - 14;
    out += "<rect x=\"" + Num(bx - 6) + "\" y=\"" + Num(by - 20) + "\" width=\"" + Num(barPx + 12) +
           "\" height=\"30\" fill=\"#ffffff\" fill-opacity=\"0.8\"/>\n";
    out += "<path fill=\"none\" stroke=\"#000000\" stroke-width=\"2\" d=\"M" + Num(bx) + " " +
           Num(by - 5) + "v5h" + Num(barPx) + "v-5\"/>\n";
    out +=
        "<text x=\"" + Num(bx) + "\" y=\"" + Num(by - 8) + "\">" + LengthText(barM) + "</text>\n";

    // Legend.
    const double lx = plotX + plotW + kMargin;
    double ly = plotY + kRowH / 2;
    auto row = [&](const std::string& mark, const std::string& text) {
        out += mark + "<text x=\"" + Num(lx + 18) + "\" y=\"" + Num(ly + 4.5) + "\">";
        AppendXmlText(out, text);
        out += "</text>\n";
        ly += kRowH;
    };
    for (const auto& t : byType)
        row("<circle cx=\"" + Num(lx + 6) + "\" cy=\"" + Num(ly) + "\" r=\"5\" fill=\"" +
                Hex(TypeStyle(t.first).rgb) + "\"/>",
            TypeLabel(t.first) + " (" + std::to_string(t.second.size()) + ")");
    row("<path fill=\"none\" stroke=\"#000000\" stroke-width=\"1.6\" d=\"M" + Num(lx + 1) + " " +
            Num(ly - 5) + "l10 10m0 -10l-10 10\"/>",
        "invalid (" + std::to_string(invalid.size()) + ")");
    if (ticks)
        row("<path stroke=\"#000000\" stroke-width=\"1.2\" d=\"M" + Num(lx + 6) + " " +
                Num(ly + 5) + "v-10\"/>",
            "line: the bearing watched");
    if (unplaced) row("", std::to_string(unplaced) + " not shown: no place on the globe");
    out += "</svg>\n";
    return out;
}

}  // namespace exchange
