// measure_dialog.cpp - the console stand-in for the measurement dialog.
#include "measure_dialog.h"

#include <string>

#include "appstrings.h"
#include "cp1252.h"

HeadlessDialog::HeadlessDialog(LinkTransport& link, std::FILE* console)
    : link_(link), console_(console), port_(link)
{
}

void HeadlessDialog::Feed(MeasRun* run, const std::uint8_t* data, std::size_t size)
{
    for (std::size_t i = 0; i < size && !MeasRunEnded(run); ++i) {
        if (discard_ > 0) {
            --discard_;
            continue;
        }
        block_[blockFill_++] = data[i];
        if (blockFill_ == sizeof(block_)) {
            blockFill_ = 0;
            MeasRunBlock(run, block_, sizeof(block_));
        }
    }
}

MeasPort* HeadlessDialog::OpenLink(const char*)
{
    if (!link_.Open(&startError_))
        return nullptr;
    linkOpen_ = true;
    return &port_;
}

void HeadlessDialog::EnableLink()
{
    link_.PurgeInput();
}

void HeadlessDialog::CloseLink()
{
    if (linkOpen_)
        link_.Close();
    linkOpen_ = false;
}

void HeadlessDialog::SendCommand(std::uint8_t command)
{
    link_.Send(&command, 1);
}

void HeadlessDialog::ShiftCounter(int count)
{
    // As the link: the last count replaces a pending one.
    discard_ = count;
}

void HeadlessDialog::AddGraph(const MeasGraphSetup& setup)
{
    graph_.assign(static_cast<std::size_t>(setup.nSize), 0);
    graphEnd_ = 0;
}

void HeadlessDialog::AppendSamples(const std::int16_t* samples, int count)
{
    if (graph_.empty())
        return;
    for (int i = 0; i < count; ++i) {
        graph_[graphEnd_++] = samples[i];
        if (graphEnd_ == graph_.size())
            graphEnd_ = 0;
    }
}

void HeadlessDialog::SetGraphEnd(int samples)
{
    if (samples >= 0 && static_cast<std::size_t>(samples) <= graph_.size())
        graphEnd_ = static_cast<std::size_t>(samples);
}

std::int16_t* HeadlessDialog::GraphSamples()
{
    return graph_.empty() ? nullptr : graph_.data();
}

void HeadlessDialog::Print(const char* label, const char* cp1252)
{
    std::string text = Cp1252ToUtf8(cp1252);
    for (std::size_t at; (at = text.find("\r\n")) != std::string::npos;)
        text.replace(at, 2, "\n");
    std::fprintf(console_, "%s%s\n", label, text.c_str());
    std::fflush(console_);
}

void HeadlessDialog::SetStatusText(const char* text)
{
    Print("", text);
}

void HeadlessDialog::SetSensorLine(const char* text)
{
    char line[512];
    std::snprintf(line, sizeof(line), "%s", text);
    CutSensorLine(line);
    Print("", line);
}

bool HeadlessDialog::AskYesNo(int stringId)
{
    // The tool's own end after a lost line is no answer of the user's: it
    // is reported as the reason the series did not complete.
    if (answerEndYes_ && stringId == IDS_ASK_END_MEASUREMENT)
        return true;
    std::string question = AppString(stringId) ? AppString(stringId) : "";
    question += " No";
    Print("", question.c_str());
    return false;
}

void HeadlessDialog::ShowError(int stringId, const char* arg)
{
    char text[1024];
    FormatAppString(text, sizeof(text), stringId, arg);
    std::string message = Cp1252ToUtf8(text);
    for (std::size_t at; (at = message.find("\r\n")) != std::string::npos;)
        message.replace(at, 2, "\n");
    std::fprintf(stderr, "klvtool measure: %s\n", message.c_str());
    if (stringId == IDS_SENSOR_NOT_FOUND && startError_.empty())
        startError_ = "no KLV1-AC device answered the identification";
    if (stringId == IDS_PORT_NOT_OPENED && startError_.empty())
        startError_ = std::string(arg ? arg : "") + ": cannot be opened";
}

bool HeadlessDialog::Port::WriteBytes(const std::uint8_t* data, std::size_t size)
{
    return link_.Send(data, size);
}

bool HeadlessDialog::Port::ReadByte(std::uint8_t* byte)
{
    return link_.ReadByte(byte, kIdentReadTimeoutMs);
}

void HeadlessDialog::Port::PurgeAndClear()
{
    link_.PurgeAndClear();
}

void HeadlessDialog::Port::Sleep(unsigned ms)
{
    link_.Sleep(ms);
}
