#include "link/HidFraming.h"

#include <algorithm>

namespace HidFraming {

std::vector<OutputReport> outputReports(std::span<const uint8_t> message) {
    std::vector<OutputReport> reports(reportCount(message.size()));
    for (std::size_t i = 0; i < reports.size(); ++i) {
        OutputReport& r = reports[i];
        r.fill(0);
        r[0] = ReportId;
        const auto part =
            message.subspan(i * ReportSize, std::min(ReportSize, message.size() - i * ReportSize));
        std::copy(part.begin(), part.end(), r.begin() + 1);
    }
    return reports;
}

void ReplyAssembler::add(std::span<const uint8_t> report) {
    const std::size_t n = std::min(report.size(), m_reply.size() - m_filled);
    std::copy_n(report.begin(), n, m_reply.begin() + static_cast<std::ptrdiff_t>(m_filled));
    m_filled += n;
}

} // namespace HidFraming
