// measure_report.cpp - JSON and CSV output of a measurement series.
#include "measure_report.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

#include "cp1252.h"
#include "json_text.h"
#include "evaluation.h"

namespace {

void AppendNumber(std::string& out, double value)
{
    out += JsonNumber(value);
}

void AppendField(std::string& out, const char* key, const char* field, std::size_t size)
{
    out += "  \"";
    out += key;
    out += "\": ";
    AppendJsonString(out, FieldText(field, size));
    out += ",\n";
}

void AppendValues(std::string& out, const char* key, const double (&values)[kMessSlots])
{
    out += "  \"";
    out += key;
    out += "\": [";
    for (int i = 0; i < kMessSlots; ++i) {
        if (i)
            out += ", ";
        AppendNumber(out, values[i]);
    }
    out += "],\n";
}

} // namespace

std::string MeasurementJson(const MessDescr& d)
{
    std::string out = "{\n";
    AppendField(out, "szTitle", d.szTitle, sizeof(d.szTitle));
    AppendField(out, "szSensorType", d.szSensorType, sizeof(d.szSensorType));
    AppendField(out, "szSerialNo", d.szSerialNo, sizeof(d.szSerialNo));
    out += "  \"nFullScale\": " + std::to_string(d.nFullScale) + ",\n";
    AppendValues(out, "dEffForce", d.dEffForce);
    AppendValues(out, "dClampForce", d.dClampForce);
    AppendValues(out, "dPeakForce", d.dPeakForce);
    AppendValues(out, "dKFactor", d.dKFactor);
    AppendValues(out, "dPulseDuration", d.dPulseDuration);
    out += "  \"results\": [\n";
    for (int slot = 0; slot < kMessSlots; ++slot) {
        char text[512];
        FormatResult(&d, slot, text, sizeof(text));
        out += "    ";
        AppendJsonString(out, text);
        out += slot + 1 < kMessSlots ? ",\n" : "\n";
    }
    out += "  ]\n}\n";
    return out;
}

std::string CurvesCsv(const MessDescr& d)
{
    std::string out = "index,curve1,curve2,curve3,mean\n";
    out.reserve(out.size() + kMessCurveSamples * 28);
    auto sample = [](const std::int16_t* curve, int i) { return curve ? curve[i] : 0; };
    for (int i = 0; i < kMessCurveSamples; ++i) {
        char row[64];
        std::snprintf(row, sizeof(row), "%d,%d,%d,%d,%d\n", i, sample(d.pCurve[0], i),
                      sample(d.pCurve[1], i), sample(d.pCurve[2], i), sample(d.pMeanCurve, i));
        out += row;
    }
    return out;
}

namespace {

bool WriteAndClose(std::FILE* file, const std::string& text)
{
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return std::fclose(file) == 0 && written;
}

// Devices, pipes and the like are written in place: renaming a finished
// file over them would replace the device node itself.
bool IsDeviceOrPipe(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode);
}

bool WriteInPlace(const std::string& path, const std::string& text, std::string* error)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        *error = "cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    if (!WriteAndClose(file, text)) {
        *error = "cannot write " + path;
        return false;
    }
    return true;
}

} // namespace

bool WriteOutputFile(const std::string& path, const std::string& text, std::string* error)
{
    if (path == "-") {
        if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() ||
            std::fflush(stdout) != 0) {
            *error = "cannot write to standard output";
            return false;
        }
        return true;
    }
    if (IsDeviceOrPipe(path))
        return WriteInPlace(path, text, error);
    // A unique temporary name beside the target, renamed when complete.
    std::string temp = path + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        *error = "cannot create " + path + ": " + std::strerror(errno);
        return false;
    }
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    std::FILE* file = ::fdopen(fd, "wb");
    if (!file) {
        ::close(fd);
        ::unlink(temp.c_str());
        *error = "cannot create " + path + ": " + std::strerror(errno);
        return false;
    }
    if (!WriteAndClose(file, text)) {
        *error = "cannot write " + temp;
        std::remove(temp.c_str());
        return false;
    }
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        *error = "cannot replace " + path + ": " + std::strerror(errno);
        std::remove(temp.c_str());
        return false;
    }
    return true;
}
