// Quorva run-time. Licensed under the MIT licence.
#include "shell/PrintCups.h"

#include <cups/cups.h>
#include <cups/pwg.h>

#include <algorithm>
#include <array>
#include <fmt/format.h>
#include <fstream>
#include <optional>

namespace shell::printcups {

namespace {

// A request that waits longer than this for the scheduler gives up: the job stays in the spool.
constexpr double kRequestTimeoutSeconds = 30.0;
// IPP names (job-name) are at most this long.
constexpr std::size_t kMaxNameBytes = 255;
constexpr double kPointsPerHundredthMillimetre = 72.0 / 2540.0;

// Never prompts: a scheduler that asks for a password gets none, and the request fails.
const char* NoPassword(const char*, http_t*, const char*, const char*, void*) { return nullptr; }
// A scheduler that stops answering ends the request instead of holding the worker.
int GiveUp(http_t*, void*) { return 0; }

// libcups keeps its server, user and call-backs per thread: set them up on each use.
void SetUpThisThread() {
    cupsSetPasswordCB2(&NoPassword, nullptr);
    cupsSetServer(nullptr); // read CUPS_SERVER and client.conf again
}

struct ResponseDeleter {
    void operator()(ipp_t* ipp) const { ippDelete(ipp); }
};
using Response = std::unique_ptr<ipp_t, ResponseDeleter>;

std::string LastError() {
    const char* text = cupsLastErrorString();
    return fmt::format("{} ({:#06x})", text != nullptr ? text : "no message",
                       static_cast<unsigned>(cupsLastError()));
}

std::string PrinterUri(const std::string& printer) {
    std::array<char, 1024> uri{};
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri.data(), static_cast<int>(uri.size()), "ipp", nullptr,
                     "localhost", 0, "/printers/%s", printer.c_str());
    return uri.data();
}

std::optional<int> IntegerOf(ipp_t* collection, const char* name) {
    ipp_attribute_t* attribute = ippFindAttribute(collection, name, IPP_TAG_INTEGER);
    if (attribute == nullptr)
        return std::nullopt;
    return ippGetInteger(attribute, 0);
}

// The page of a media collection ("media-col-default"): its size and margins.
std::optional<PrintSpool::PageSize> PageOfCollection(ipp_t* media) {
    ipp_attribute_t* sizeAttribute = ippFindAttribute(media, "media-size", IPP_TAG_BEGIN_COLLECTION);
    if (sizeAttribute == nullptr)
        return std::nullopt;
    ipp_t* size = ippGetCollection(sizeAttribute, 0);
    const std::optional<int> width = IntegerOf(size, "x-dimension");
    const std::optional<int> length = IntegerOf(size, "y-dimension");
    if (!width || !length || *width <= 0 || *length <= 0)
        return std::nullopt;
    const int left = std::max(0, IntegerOf(media, "media-left-margin").value_or(0));
    const int right = std::max(0, IntegerOf(media, "media-right-margin").value_or(0));
    const int top = std::max(0, IntegerOf(media, "media-top-margin").value_or(0));
    const int bottom = std::max(0, IntegerOf(media, "media-bottom-margin").value_or(0));
    if (left + right >= *width || top + bottom >= *length)
        return std::nullopt;
    PrintSpool::PageSize page;
    page.paperWidthPoints = *width * kPointsPerHundredthMillimetre;
    page.paperHeightPoints = *length * kPointsPerHundredthMillimetre;
    page.leftMarginPoints = left * kPointsPerHundredthMillimetre;
    page.topMarginPoints = top * kPointsPerHundredthMillimetre;
    page.widthPoints = (*width - left - right) * kPointsPerHundredthMillimetre;
    page.heightPoints = (*length - top - bottom) * kPointsPerHundredthMillimetre;
    return page;
}

// The page of a media name ("iso_a4_210x297mm", "na_letter_8.5x11in", "A4").
std::optional<PrintSpool::PageSize> PageOfMediaName(const char* name) {
    if (name == nullptr)
        return std::nullopt;
    pwg_media_t* media = pwgMediaForPWG(name);
    if (media == nullptr)
        media = pwgMediaForLegacy(name);
    if (media == nullptr)
        media = pwgMediaForPPD(name);
    if (media == nullptr || media->width <= 0 || media->length <= 0)
        return std::nullopt;
    PrintSpool::PageSize page;
    page.paperWidthPoints = page.widthPoints = media->width * kPointsPerHundredthMillimetre;
    page.paperHeightPoints = page.heightPoints = media->length * kPointsPerHundredthMillimetre;
    return page;
}

// The document-level refusals: the job's own content is at fault, so trying again is useless.
bool RefusesTheDocument(ipp_status_t status) {
    switch (status) {
    case IPP_STATUS_ERROR_DOCUMENT_FORMAT_NOT_SUPPORTED:
    case IPP_STATUS_ERROR_DOCUMENT_FORMAT_ERROR:
    case IPP_STATUS_ERROR_DOCUMENT_UNPRINTABLE:
    case IPP_STATUS_ERROR_DOCUMENT_PASSWORD:
    case IPP_STATUS_ERROR_DOCUMENT_PERMISSION:
    case IPP_STATUS_ERROR_DOCUMENT_SECURITY:
    case IPP_STATUS_ERROR_REQUEST_ENTITY:
        return true;
    default:
        return false;
    }
}

} // namespace

std::string ServerName() {
    SetUpThisThread();
    const char* server = cupsServer();
    return server != nullptr ? server : "";
}

platform::Result<std::unique_ptr<Connection>> Connection::Open(std::chrono::milliseconds timeout) {
    SetUpThisThread();
    const std::string server = cupsServer() != nullptr ? cupsServer() : "";
    const int milliseconds = static_cast<int>(std::clamp<long long>(timeout.count(), 1, 600'000));
    http_t* http = httpConnect2(server.c_str(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(),
                                1, milliseconds, nullptr);
    if (http == nullptr)
        return platform::Fail(fmt::format("CUPS is not reachable at {}: {}", server, LastError()));
    httpSetTimeout(http, kRequestTimeoutSeconds, &GiveUp, nullptr);
    return std::unique_ptr<Connection>(new Connection(http, server));
}

Connection::~Connection() { httpClose(m_http); }

platform::Result<std::vector<Printer>> Connection::Printers() {
    ipp_t* request = ippNewRequest(IPP_OP_CUPS_GET_PRINTERS);
    static const char* const kWanted[] = {"printer-name", "media-col-default", "media-default"};
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                  static_cast<int>(std::size(kWanted)), nullptr, kWanted);
    Response response(cupsDoRequest(m_http, request, "/"));
    if (!response || ippGetStatusCode(response.get()) > IPP_STATUS_OK_EVENTS_COMPLETE)
        return platform::Fail(fmt::format("CUPS at {} lists no printers: {}", m_server, LastError()));

    std::vector<Printer> printers;
    // The answer holds one group of attributes per printer, separated by a separator tag.
    std::optional<Printer> current;
    std::optional<PrintSpool::PageSize> fromCollection;
    std::optional<PrintSpool::PageSize> fromName;
    const auto finish = [&] {
        if (current && !current->name.empty()) {
            current->page = fromCollection.value_or(fromName.value_or(PrintSpool::PageSize{}));
            printers.push_back(std::move(*current));
        }
        current.reset();
        fromCollection.reset();
        fromName.reset();
    };
    for (ipp_attribute_t* attribute = ippFirstAttribute(response.get()); attribute != nullptr;
         attribute = ippNextAttribute(response.get())) {
        if (ippGetGroupTag(attribute) != IPP_TAG_PRINTER || ippGetName(attribute) == nullptr) {
            finish();
            continue;
        }
        if (!current)
            current.emplace();
        const std::string name = ippGetName(attribute);
        if (name == "printer-name" && ippGetString(attribute, 0, nullptr) != nullptr)
            current->name = ippGetString(attribute, 0, nullptr);
        else if (name == "media-col-default" &&
                 ippGetValueTag(attribute) == IPP_TAG_BEGIN_COLLECTION)
            fromCollection = PageOfCollection(ippGetCollection(attribute, 0));
        else if (name == "media-default")
            fromName = PageOfMediaName(ippGetString(attribute, 0, nullptr));
    }
    finish();

    // The default as every CUPS client sees it: LPDEST, PRINTER, lpoptions, then the server's.
    if (cups_dest_t* dest = cupsGetNamedDest(m_http, nullptr, nullptr)) {
        const std::string defaultName = dest->name != nullptr ? dest->name : "";
        cupsFreeDests(1, dest);
        const auto found = std::find_if(printers.begin(), printers.end(),
                                        [&](const Printer& p) { return p.name == defaultName; });
        if (found != printers.end()) {
            found->isDefault = true;
            std::rotate(printers.begin(), found, found + 1);
        }
    }
    return printers;
}

platform::Result<PrinterState> Connection::State(const std::string& printer) {
    ipp_t* request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
    const std::string uri = PrinterUri(printer);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri.c_str());
    static const char* const kWanted[] = {"printer-state", "printer-is-accepting-jobs",
                                          "printer-state-message"};
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                  static_cast<int>(std::size(kWanted)), nullptr, kWanted);
    Response response(cupsDoRequest(m_http, request, "/"));
    if (!response || ippGetStatusCode(response.get()) > IPP_STATUS_OK_EVENTS_COMPLETE)
        return platform::Fail(fmt::format("printer {}: {}", printer, LastError()));
    PrinterState state;
    if (ipp_attribute_t* value = ippFindAttribute(response.get(), "printer-state", IPP_TAG_ENUM))
        state.stopped = ippGetInteger(value, 0) == IPP_PSTATE_STOPPED;
    if (ipp_attribute_t* value =
            ippFindAttribute(response.get(), "printer-is-accepting-jobs", IPP_TAG_BOOLEAN))
        state.acceptingJobs = ippGetBoolean(value, 0) != 0;
    if (ipp_attribute_t* value =
            ippFindAttribute(response.get(), "printer-state-message", IPP_TAG_TEXT))
        if (const char* text = ippGetString(value, 0, nullptr))
            state.message = text;
    return state;
}

SendOutcome Connection::Send(const std::string& printer, const std::string& path,
                             const std::string& title) {
    SendOutcome outcome;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        outcome.message = "cannot read " + path;
        return outcome;
    }
    const std::string jobTitle = CleanUtf8(title, kMaxNameBytes);
    const int job = cupsCreateJob(m_http, printer.c_str(), jobTitle.c_str(), 0, nullptr);
    if (job == 0) {
        outcome.message = fmt::format("printer {} takes no job: {}", printer, LastError());
        if (RefusesTheDocument(cupsLastError()))
            outcome.result = SendResult::Refused;
        return outcome;
    }
    // A job that was made but whose document did not arrive is cancelled (if the scheduler
    // still answers), so that it cannot print half; the whole job is sent again later.
    const auto abandon = [&](std::string why) {
        outcome.message = std::move(why);
        if (RefusesTheDocument(cupsLastError()))
            outcome.result = SendResult::Refused;
        cupsCancelJob2(m_http, printer.c_str(), job, 1);
        return outcome;
    };
    if (cupsStartDocument(m_http, printer.c_str(), job, jobTitle.c_str(), CUPS_FORMAT_PDF, 1) !=
        HTTP_STATUS_CONTINUE)
        return abandon(fmt::format("printer {} takes no document: {}", printer, LastError()));
    std::array<char, 64 * 1024> buffer{};
    while (in) {
        in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        const std::streamsize count = in.gcount();
        if (count <= 0)
            break;
        if (cupsWriteRequestData(m_http, buffer.data(), static_cast<std::size_t>(count)) !=
            HTTP_STATUS_CONTINUE)
            return abandon(fmt::format("sending to printer {} failed: {}", printer, LastError()));
    }
    if (in.bad())
        return abandon("cannot read " + path);
    if (cupsFinishDocument(m_http, printer.c_str()) > IPP_STATUS_OK_EVENTS_COMPLETE)
        return abandon(fmt::format("printer {} did not take the document: {}", printer,
                                   LastError()));
    outcome.result = SendResult::Sent;
    outcome.jobId = job;
    return outcome;
}

std::string CleanUtf8(const std::string& text, std::size_t limit) {
    std::string clean;
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char lead = byte(i);
        std::size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3
                                             : (lead >> 3) == 0x1E ? 4 : 0;
        bool valid = length != 0 && i + length <= text.size();
        for (std::size_t k = 1; valid && k < length; ++k)
            valid = (byte(i + k) & 0xC0) == 0x80;
        // Overlong forms and code points past U+10FFFF are not UTF-8 either.
        if (valid && length == 2)
            valid = lead >= 0xC2;
        if (valid && length == 3)
            valid = !(lead == 0xE0 && byte(i + 1) < 0xA0) && !(lead == 0xED && byte(i + 1) >= 0xA0);
        if (valid && length == 4)
            valid = lead <= 0xF4 && !(lead == 0xF0 && byte(i + 1) < 0x90) &&
                    !(lead == 0xF4 && byte(i + 1) >= 0x90);
        if (!valid)
            length = 1;
        const std::size_t added = valid ? length : 1;
        if (clean.size() + added > limit)
            break;
        if (valid && !(length == 1 && lead < 0x20))
            clean.append(text, i, length);
        else
            clean.push_back(lead < 0x20 && valid ? ' ' : '?');
        i += length;
    }
    return clean;
}

} // namespace shell::printcups
