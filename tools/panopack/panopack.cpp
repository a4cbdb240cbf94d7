#include "tools/panopack/panopack.h"

#include <cstring>
#include <algorithm>
#include <fstream>
#include <iomanip>
#include <optional>
#include <sstream>

#include "package/payload.h"
#include "package/payload_anchor.h"
#include "tools/common/jpeg_io.h"
#include "tools/common/file_io.h"
#include "tools/panopack/embedded_stub.h"
#include "tools/panopack/output_kind.h"
#include "tools/panopack/pack_options.h"
#include "tools/panopack/photo_sphere.h"
#include "tools/panopack/payload_builder.h"
#include "viewer/image_memory.h"

namespace {

// Payload offsets and record lengths are 32-bit: keep every file well inside.
constexpr size_t kMaxFileBytes = size_t{1} << 30;

// Where a JPEG's markers end at the latest: far beyond any camera's or
// stitcher's metadata.
constexpr size_t kJpegHeadBytes = size_t{16} << 20;

const char kUsage[] =
    "usage: panopack create [--stub VIEWER.exe] --image IMAGE.jpg -o OUT.exe [options]\n"
    "       panopack info FILE.exe|IMAGE.jpg\n"
    "       panopack extract FILE.exe -o IMAGE.jpg\n"
    "       panopack version\n"
    "An OUT ending in .scr makes a screensaver.\n"
    "options of create:\n";

struct PackedFile {
    std::vector<uint8_t> bytes;
    uint32_t payloadOffset = 0;
};

// Finds the payload offset of the viewer in file.bytes; name is how
// messages call it.
bool FindStubPayload(const std::string& name, PackedFile& file, std::string& error)
{
    const std::optional<uint32_t> offset = ReadStubPayloadOffset(file.bytes.data(), file.bytes.size());
    if (!offset) {
        error = name + ": not a panorama viewer executable (no stamped payload offset)";
        return false;
    }
    file.payloadOffset = *offset;
    return true;
}

bool ReadViewerExecutable(const std::string& path, PackedFile& file, std::string& error)
{
    return ReadWholeFile(path, kMaxFileBytes, file.bytes, error) &&
           FindStubPayload(path, file, error);
}

// The viewer named by --stub, or without it the one the packer carries.
bool ReadStub(const std::string& stubPath, PackedFile& stub, std::string& error)
{
    if (!stubPath.empty()) {
        return ReadViewerExecutable(stubPath, stub, error);
    }
    std::string name;
    return LoadEmbeddedStub(stub.bytes, name, error) && FindStubPayload(name, stub, error);
}

bool ReadPayload(const std::string& path, PackedFile& file, PayloadListing& listing,
                 std::string& error)
{
    if (!ReadViewerExecutable(path, file, error)) {
        return false;
    }
    if (!ListPayloadRecords(file.bytes, file.payloadOffset, listing, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

const PayloadRecordInfo* FirstRecord(const PayloadListing& listing, uint8_t type)
{
    for (const PayloadRecordInfo& record : listing.records) {
        if (record.type == type) {
            return &record;
        }
    }
    return nullptr;
}

int Fail(std::ostream& err, const std::string& message)
{
    err << "panopack: " << message << "\n";
    return 1;
}

constexpr int kMiB = 20;

// How the viewer will load the image with these options on 64-bit Windows.
ImageLoadPlan PlanFor(const JpegInfo& image, const ViewerOptions& options)
{
    return PlanImageLoad(image.width, image.height, image.coefficientBytes, options,
                         ImageMemoryLimit(kLargeAddressSpace));
}

std::string ShownSize(const ImageLoadPlan& plan, const JpegInfo& image)
{
    return "shown at " + std::to_string(plan.width) + " x " + std::to_string(plan.height) +
           " of " + std::to_string(image.width) + " x " + std::to_string(image.height);
}

int Create(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    PackOptions options;
    std::string error;
    if (!ParsePackOptions(args, options, error)) {
        return Fail(err, error);
    }
    // The image's markers (its size, its photo-sphere metadata) come before
    // its picture data; the image itself is copied into the output as it
    // is written, never held whole.
    std::vector<uint8_t> jpeg;
    uint64_t imageSize = 0;
    JpegInfo image;
    if (!ReadFileHead(options.imagePath, kJpegHeadBytes, kMaxFileBytes, jpeg, imageSize, error)) {
        return Fail(err, error);
    }
    if (!ReadJpegInfo(jpeg, image, error)) {
        return Fail(err, options.imagePath + ": not a JPEG image (" + error + ")");
    }
    OutputKind kind;
    if (!ChooseOutputKind(options, kind, error)) {
        return Fail(err, error);
    }
    options.screensaver = kind.screensaver;
    PanoSettings settings;
    PhotoSphereUse sphere;
    const bool made = MakePanoSettingsForImage(options, jpeg, image, settings, sphere, error);
    for (const std::string& warning : sphere.warnings) {
        err << "panopack: warning: " << warning << "\n";
    }
    if (!made) {
        return Fail(err, error);
    }
    if (!sphere.note.empty()) {
        out << sphere.note << "\n";
    }
    PackedFile stub;
    if (!ReadStub(options.stubPath, stub, error)) {
        return Fail(err, error);
    }
    ViewerOptions viewerOptions{options.noOptions ? 0 : kKnownFeatures};
    viewerOptions.monitors = options.monitors.value_or(MonitorUse::Black);
    const ImageLoadPlan plan = PlanFor(image, viewerOptions);
    if (!plan.fits && viewerOptions.Has(FEATURE_SCALED_DECODE)) {
        return Fail(err, options.imagePath + ": too large to show at any scale: a progressive JPEG "
                             "whose coefficients alone take " +
                             std::to_string(image.coefficientBytes >> kMiB) +
                             " MiB while it decodes, over the viewer's " +
                             std::to_string(ImageMemoryLimit(kLargeAddressSpace) >> kMiB) +
                             " MiB; save it as a baseline JPEG");
    }
    stub.bytes.resize(stub.payloadOffset);
    const PayloadFrame frame = FramePayload(static_cast<uint32_t>(imageSize), settings,
                                            options.noOptions ? nullptr : &viewerOptions);
    if (!WriteFileAtomically(options.outputPath,
                             {&stub.bytes, &frame.head, {options.imagePath, imageSize}, &frame.tail},
                             true, error)) {
        return Fail(err, error);
    }
    if (!kind.note.empty()) {
        out << kind.note << "\n";
    }
    if (plan.scale != kFullScale) {
        out << ShownSize(plan, image) << ": the full size needs "
            << (ImageMemoryCost(image.width, image.height) >> kMiB) << " MiB, the viewer allows "
            << (ImageMemoryLimit(kLargeAddressSpace) >> kMiB) << " MiB\n";
    }
    out << "wrote " << options.outputPath << ": " << image.width << " x " << image.height
        << " image, " << stub.bytes.size() + frame.head.size() + imageSize + frame.tail.size()
        << " bytes\n";
    return 0;
}

void PrintSettings(const PanoSettings& s, std::ostream& out)
{
    const auto flag = [](int32_t value) { return value ? "yes" : "no"; };
    const auto colour = [](int32_t value) {
        std::ostringstream text;
        text << "0x" << std::hex << std::uppercase << std::setw(6) << std::setfill('0')
             << (static_cast<uint32_t>(value) & 0xFFFFFFFFu);
        return text.str();
    };
    const size_t titleLength = TitleLength(s);
    out << std::setprecision(17);
    out << "  window:          " << s.windowWidth << " x " << s.windowHeight << " px\n"
        << "  projection:      " << (s.spherical ? "sphere" : "cylinder") << "\n"
        << "  pan:             " << s.panMin << " to " << s.panMax << " deg\n"
        << "  tilt:            " << s.tiltMin << " to " << s.tiltMax << " deg\n"
        << "  fov limits:      " << s.fovMin << " to " << s.fovMax << " deg\n"
        << "  initial view:    pan " << s.initialPan << ", tilt " << s.initialTilt << ", fov "
        << s.initialFov << " deg\n"
        << "  pan wraps:       " << flag(s.panWraps) << "\n"
        << "  inertia:         " << s.inertiaTime << " s\n"
        << "  drag speed:      " << s.dragSpeed << "\n"
        << "  auto motion:     " << flag(s.autoMotion) << "\n"
        << "  auto pan speed:  " << s.autoPanSpeed << " deg/s\n"
        << "  auto tilt speed: " << s.autoTiltSpeed << " deg/s\n"
        << "  auto zoom:       " << s.autoZoomFactor << " per s\n"
        << "  idle delay:      " << s.idleDelay << " s\n"
        << "  title:           \"" << std::string(s.title, titleLength) << "\"\n"
        << "  text colour:     " << colour(s.textColor) << "\n"
        << "  shadow colour:   " << colour(s.shadowColor) << "\n"
        << "  screensaver:     " << flag(s.screensaver) << "\n"
        << "  full screen:     " << flag(s.startFullscreen) << "\n";
}

// The options record as the viewer reads it: none when absent or malformed.
std::optional<ViewerOptions> ParseOptionsRecord(const PackedFile& file,
                                                const PayloadRecordInfo* record)
{
    return record ? ParseViewerOptions(file.bytes.data() + record->dataOffset, record->length)
                  : std::nullopt;
}

void PrintOptions(const std::optional<ViewerOptions>& options, bool hasRecord, std::ostream& out)
{
    if (!options) {
        out << "options: " << (hasRecord ? "malformed, ignored" : "none")
            << " (the viewer does what the settings describe)\n";
        return;
    }
    static const struct {
        ViewerFeature feature;
        const char* label;
    } kFeatures[] = {
        {FEATURE_MIP_LEVELS, "  mip levels:      "},
        {FEATURE_SCALED_DECODE, "  scaled decode:   "},
        {FEATURE_PIXELS_IN_TEXTURES, "  lean memory:     "},
        {FEATURE_TEXTURES_WHILE_DECODING, "  early window:    "},
        {FEATURE_PACED_FRAMES, "  paced frames:    "},
        {FEATURE_PREVIEW, "  preview:         "},
    };
    out << "options:\n";
    for (const auto& f : kFeatures) {
        out << f.label << (options->Has(f.feature) ? "yes" : "no") << "\n";
    }
    out << "  monitors:        " << MonitorUseName(options->monitors) << "\n";
}

bool IsJpegFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    char start[2] = {};
    return file.read(start, sizeof start) && start[0] == '\xFF' && start[1] == '\xD8';
}

// What the viewer will hold to show the image with these options, against
// its limits: mip levels that would not fit on 64-bit Windows are left out,
// and an image over the limit is shown smaller where the options allow.
void PrintImageMemory(const JpegInfo& image, const ViewerOptions& options, std::ostream& out)
{
    const ImageLoadPlan plan = PlanFor(image, options);
    out << "memory when shown: " << (plan.cost >> kMiB) << " MiB";
    if (plan.mipLevels) {
        out << " with mip levels";
    } else if (options.Has(FEATURE_MIP_LEVELS)) {
        out << " without mip levels (with them "
            << (ImageMemoryCost(plan.width, plan.height, true) >> kMiB) << " MiB)";
    }
    if (plan.scale != kFullScale) {
        out << ", " << ShownSize(plan, image);
    } else if (!plan.fits) {
        out << ", too large to show";
    }
    out << "; the viewer allows " << (ImageMemoryLimit(kLargeAddressSpace) >> kMiB)
        << " MiB on 64-bit Windows, " << (ImageMemoryLimit(kLargeAddressSpace / 2) >> kMiB)
        << " MiB on 32-bit Windows\n";
}

// Info on a JPEG: its size, its memory and what its photo-sphere metadata
// describes.
int ImageInfo(const std::string& path, std::ostream& out, std::ostream& err)
{
    std::vector<uint8_t> jpeg;
    JpegInfo image;
    std::string error;
    if (!ReadWholeFile(path, kMaxFileBytes, jpeg, error)) {
        return Fail(err, error);
    }
    if (!ReadJpegInfo(jpeg, image, error)) {
        return Fail(err, path + ": not a JPEG image (" + error + ")");
    }
    out << path << ": " << image.width << " x " << image.height << " JPEG image, "
        << image.components << " components\n";
    PrintImageMemory(image, ViewerOptions{kKnownFeatures}, out);
    PhotoSphere sphere;
    switch (ReadPhotoSphere(jpeg, image.width, image.height, sphere, error)) {
    case PhotoSphereSearch::Absent:
        out << "no photo sphere metadata\n";
        break;
    case PhotoSphereSearch::Unusable:
        out << "photo sphere metadata unusable: " << error << "\n";
        break;
    case PhotoSphereSearch::Found:
        out << "photo sphere metadata: " << DescribePhotoSphere(sphere) << "\n"
            << "  cropped " << sphere.croppedWidth << " x " << sphere.croppedHeight << " at "
            << sphere.croppedLeft << ", " << sphere.croppedTop << " of a " << sphere.fullWidth
            << " x " << sphere.fullHeight << " panorama\n";
        for (const std::string& warning : sphere.warnings) {
            out << "  " << warning << "\n";
        }
        break;
    }
    return 0;
}

int Info(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    if (args.size() != 1) {
        return Fail(err, "info needs exactly one FILE");
    }
    if (IsJpegFile(args[0])) {
        return ImageInfo(args[0], out, err);
    }
    PackedFile file;
    PayloadListing listing;
    std::string error;
    if (!ReadPayload(args[0], file, listing, error)) {
        return Fail(err, error);
    }
    // Without a settings record the viewer runs with its defaults: a plain viewer.
    PanoSettings settings{};
    const PayloadRecordInfo* settingsRecord = FirstRecord(listing, PAYLOAD_SETTINGS);
    if (settingsRecord) {
        std::memcpy(&settings, file.bytes.data() + settingsRecord->dataOffset,
                    std::min<size_t>(settingsRecord->length, sizeof settings));
    }
    out << args[0] << ": payload at offset " << file.payloadOffset << ", " << listing.totalLength
        << " bytes of records\n";
    out << "kind: " << (settings.screensaver ? "screensaver" : "viewer") << "\n";
    for (const PayloadRecordInfo& record : listing.records) {
        const char* kind = record.type == PAYLOAD_IMAGE      ? "image"
                           : record.type == PAYLOAD_SETTINGS ? "settings"
                           : record.type == PAYLOAD_OPTIONS  ? "options"
                                                             : "unknown";
        out << "record type " << int{record.type} << " (" << kind << "): " << record.length
            << " bytes at offset " << record.dataOffset << "\n";
    }
    const PayloadRecordInfo* optionsRecord = FirstRecord(listing, PAYLOAD_OPTIONS);
    const std::optional<ViewerOptions> options = ParseOptionsRecord(file, optionsRecord);
    if (const PayloadRecordInfo* image = FirstRecord(listing, PAYLOAD_IMAGE)) {
        const std::vector<uint8_t> jpeg(file.bytes.begin() + image->dataOffset,
                                        file.bytes.begin() + image->dataOffset + image->length);
        JpegInfo info;
        if (ReadJpegInfo(jpeg, info, error)) {
            out << "image: " << info.width << " x " << info.height << ", " << info.components
                << " components\n";
            PrintImageMemory(info, options.value_or(ViewerOptions{}), out);
        } else {
            out << "image: not a JPEG (" << error << ")\n";
        }
    }
    if (settingsRecord) {
        out << "settings:\n";
        PrintSettings(settings, out);
    }
    PrintOptions(options, optionsRecord != nullptr, out);
    return 0;
}

int Extract(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    if (args.size() != 3 || args[1] != "-o") {
        return Fail(err, "extract needs FILE -o IMAGE.jpg");
    }
    PackedFile file;
    PayloadListing listing;
    std::string error;
    if (!ReadPayload(args[0], file, listing, error)) {
        return Fail(err, error);
    }
    const PayloadRecordInfo* image = FirstRecord(listing, PAYLOAD_IMAGE);
    if (!image) {
        return Fail(err, args[0] + ": the payload holds no image");
    }
    const std::vector<uint8_t> jpeg(file.bytes.begin() + image->dataOffset,
                                    file.bytes.begin() + image->dataOffset + image->length);
    if (!WriteFileAtomically(args[2], {&jpeg}, false, error)) {
        return Fail(err, error);
    }
    out << "wrote " << args[2] << ": " << jpeg.size() << " bytes\n";
    return 0;
}

}  // namespace

int RunPanopack(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    const std::string command = args.empty() ? "" : args[0];
    const std::vector<std::string> rest(args.begin() + (args.empty() ? 0 : 1), args.end());
    if (command == "create") {
        return Create(rest, out, err);
    }
    if (command == "info") {
        return Info(rest, out, err);
    }
    if (command == "extract") {
        return Extract(rest, out, err);
    }
    if (command == "version" || command == "--version") {
        out << "panopack " << PANO_VERSION << "\n";
        return 0;
    }
    if (command == "help" || command == "--help" || command == "-h") {
        out << kUsage << PackOptionsHelp();
        return 0;
    }
    err << kUsage << PackOptionsHelp();
    return 2;
}
