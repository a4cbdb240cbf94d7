#include "tools/panopack/panopack.h"

#include <cstdlib>
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
#include "tools/panopack/pack_images.h"
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
    "       panopack create [options] --image IMAGE.jpg [its options] --image ... -o OUT.scr\n"
    "       panopack info FILE.exe|IMAGE.jpg\n"
    "       panopack extract FILE.exe -o IMAGE.jpg [--index N]\n"
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

// One image of the output, read and checked.
struct ImageToPack {
    std::string path;
    uint64_t size = 0;
    JpegInfo info;
    PanoSettings settings;
    ImageLoadPlan plan;
};

// Reads the image's head and makes its settings; messages name the image
// when there are several. The image's markers (its size, its photo-sphere
// metadata) come before its picture data; the image itself is copied into
// the output as it is written, never held whole.
bool PrepareImage(const PackOptions& options, const ViewerOptions& viewerOptions, bool several,
                  ImageToPack& image, std::ostream& out, std::ostream& err, std::string& error)
{
    const std::string name = several ? options.imagePath + ": " : "";
    image.path = options.imagePath;
    std::vector<uint8_t> jpeg;
    if (!ReadFileHead(options.imagePath, kJpegHeadBytes, kMaxFileBytes, jpeg, image.size, error)) {
        return false;
    }
    if (!ReadJpegInfo(jpeg, image.info, error)) {
        error = options.imagePath + ": not a JPEG image (" + error + ")";
        return false;
    }
    PhotoSphereUse sphere;
    const bool made = MakePanoSettingsForImage(options, jpeg, image.info, image.settings, sphere,
                                               error);
    for (const std::string& warning : sphere.warnings) {
        err << "panopack: warning: " << name << warning << "\n";
    }
    if (!made) {
        error = name + error;
        return false;
    }
    if (!sphere.note.empty()) {
        out << name << sphere.note << "\n";
    }
    image.plan = PlanFor(image.info, viewerOptions);
    if (!image.plan.fits && viewerOptions.Has(FEATURE_SCALED_DECODE)) {
        error = options.imagePath + ": too large to show at any scale: a progressive JPEG "
                "whose coefficients alone take " +
                std::to_string(image.info.coefficientBytes >> kMiB) +
                " MiB while it decodes, over the viewer's " +
                std::to_string(ImageMemoryLimit(kLargeAddressSpace) >> kMiB) +
                " MiB; save it as a baseline JPEG";
        return false;
    }
    return true;
}

// The options record's values from the whole-file options.
ViewerOptions ViewerOptionsFor(const PackOptions& options)
{
    ViewerOptions viewerOptions{options.noOptions ? 0 : kKnownFeatures};
    viewerOptions.monitors = options.monitors.value_or(MonitorUse::Black);
    viewerOptions.slideMs = options.slideMs.value_or(kDefaultSlideMs);
    viewerOptions.fadeMs = options.fadeMs.value_or(kDefaultFadeMs);
    viewerOptions.order = options.order.value_or(SlideOrder::Given);
    return viewerOptions;
}

int Create(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    std::vector<ImageArguments> arguments;
    std::string error;
    if (!SplitImageArguments(args, arguments, error)) {
        return Fail(err, error);
    }
    const bool several = arguments.size() > 1;
    if (arguments.size() > 1 + kMaxFurtherPanoramas) {
        return Fail(err, std::to_string(arguments.size()) + " images; a viewer shows at most " +
                             std::to_string(1 + kMaxFurtherPanoramas));
    }
    std::vector<PackOptions> options(arguments.size());
    for (size_t i = 0; i < arguments.size(); ++i) {
        if (!ParsePackOptions(arguments[i].args, options[i], error)) {
            return Fail(err, (several ? arguments[i].path + ": " : "") + error);
        }
    }
    const PackOptions& file = options[0];
    if (several && file.noOptions) {
        return Fail(err, "several images need the options record that --no-options leaves out");
    }
    OutputKind kind;
    if (!ChooseOutputKind(file, kind, error)) {
        return Fail(err, error);
    }
    const ViewerOptions viewerOptions = ViewerOptionsFor(file);
    std::vector<ImageToPack> images(options.size());
    uint64_t imageBytes = 0;
    for (size_t i = 0; i < options.size(); ++i) {
        options[i].screensaver = kind.screensaver;
        if (!PrepareImage(options[i], viewerOptions, several, images[i], out, err, error)) {
            return Fail(err, error);
        }
        imageBytes += images[i].size;
    }
    if (imageBytes > kMaxFileBytes) {
        return Fail(err, "the images take " + std::to_string(imageBytes >> kMiB) +
                             " MiB, over the " + std::to_string(kMaxFileBytes >> kMiB) +
                             " MiB one viewer can carry");
    }
    PackedFile stub;
    if (!ReadStub(file.stubPath, stub, error)) {
        return Fail(err, error);
    }
    stub.bytes.resize(stub.payloadOffset);
    const ImageToPack& first = images[0];
    std::vector<std::vector<uint8_t>> heads;
    uint64_t furtherBytes = 0;
    for (size_t i = 1; i < images.size(); ++i) {
        heads.push_back(FurtherPanoramaHead(images[i].settings,
                                            static_cast<uint32_t>(images[i].size)));
        furtherBytes += heads.back().size() + images[i].size;
    }
    const PayloadFrame frame = FramePayload(static_cast<uint32_t>(first.size), first.settings,
                                            file.noOptions ? nullptr : &viewerOptions,
                                            static_cast<uint32_t>(furtherBytes));
    std::vector<OutputPart> parts = {&stub.bytes, &frame.head, {first.path, first.size},
                                     &frame.tail};
    for (size_t i = 1; i < images.size(); ++i) {
        parts.push_back(&heads[i - 1]);
        parts.push_back({images[i].path, images[i].size});
    }
    if (!WriteFileAtomically(file.outputPath, parts, true, error)) {
        return Fail(err, error);
    }
    if (!kind.note.empty()) {
        out << kind.note << "\n";
    }
    for (const ImageToPack& image : images) {
        if (image.plan.scale != kFullScale) {
            out << (several ? image.path + ": " : "") << ShownSize(image.plan, image.info)
                << ": the full size needs "
                << (ImageMemoryCost(image.info.width, image.info.height) >> kMiB)
                << " MiB, the viewer allows " << (ImageMemoryLimit(kLargeAddressSpace) >> kMiB)
                << " MiB\n";
        }
    }
    uint64_t written = 0;
    for (const OutputPart& part : parts) {
        written += part.bytes ? part.bytes->size() : part.copiedSize;
    }
    out << "wrote " << file.outputPath << ": ";
    if (several) {
        out << images.size() << " images, ";
    } else {
        out << first.info.width << " x " << first.info.height << " image, ";
    }
    out << written << " bytes\n";
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
        {FEATURE_SLIDESHOW, "  slideshow:       "},
        {FEATURE_VERTEX_BUFFERS, "  vertex buffers:  "},
    };
    out << "options:\n";
    for (const auto& f : kFeatures) {
        out << f.label << (options->Has(f.feature) ? "yes" : "no") << "\n";
    }
    out << "  monitors:        " << MonitorUseName(options->monitors) << "\n"
        << "  slide time:      ";
    if (options->slideMs == kSlideOneTurn) {
        out << "one turn\n";
    } else {
        out << options->slideMs / 1000.0 << " s\n";
    }
    out << "  fade time:       " << options->fadeMs / 1000.0 << " s\n"
        << "  order:           " << SlideOrderName(options->order) << "\n";
}

// A panorama's image: the JPEG of an image record, or what follows the
// settings in a further panorama's record.
struct PanoramaRecord {
    const PayloadRecordInfo* record;
    size_t imageOffset;
    size_t imageLength;
};

std::vector<PanoramaRecord> PanoramaRecords(const PayloadListing& listing)
{
    std::vector<PanoramaRecord> panoramas;
    if (const PayloadRecordInfo* image = FirstRecord(listing, PAYLOAD_IMAGE)) {
        panoramas.push_back({image, image->dataOffset, image->length});
    }
    for (const PayloadRecordInfo& record : listing.records) {
        if (record.type == PAYLOAD_PANORAMA && record.length > sizeof(PanoSettings)) {
            panoramas.push_back({&record, record.dataOffset + sizeof(PanoSettings),
                                 record.length - sizeof(PanoSettings)});
        }
    }
    return panoramas;
}

// One line per panorama: its size, projection and title.
void PrintPanoramas(const PackedFile& file, const std::vector<PanoramaRecord>& panoramas,
                    const PanoSettings& firstSettings, std::ostream& out)
{
    for (size_t i = 0; i < panoramas.size(); ++i) {
        PanoSettings settings = firstSettings;
        if (panoramas[i].record->type == PAYLOAD_PANORAMA) {
            std::memcpy(&settings, file.bytes.data() + panoramas[i].record->dataOffset,
                        sizeof settings);
        }
        const std::vector<uint8_t> jpeg(file.bytes.begin() + panoramas[i].imageOffset,
                                        file.bytes.begin() + panoramas[i].imageOffset +
                                            panoramas[i].imageLength);
        JpegInfo info;
        std::string error;
        out << "panorama " << i + 1 << ": ";
        if (ReadJpegInfo(jpeg, info, error)) {
            out << info.width << " x " << info.height;
        } else {
            out << "not a JPEG (" << error << ")";
        }
        out << ", " << (settings.spherical ? "sphere" : "cylinder") << ", \""
            << std::string(settings.title, TitleLength(settings)) << "\"\n";
    }
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
                           : record.type == PAYLOAD_PANORAMA ? "panorama"
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
    PrintPanoramas(file, PanoramaRecords(listing), settings, out);
    return 0;
}

int Extract(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    const bool indexed = args.size() == 5 && args[3] == "--index";
    const std::string number = indexed ? args[4] : "1";
    const size_t index = number.size() <= 4 && number.find_first_not_of("0123456789") ==
                                                   std::string::npos
                             ? std::strtoul(number.c_str(), nullptr, 10)
                             : 0;
    if ((args.size() != 3 && !indexed) || args[1] != "-o" || index == 0) {
        return Fail(err, "extract needs FILE -o IMAGE.jpg [--index N], N from 1");
    }
    PackedFile file;
    PayloadListing listing;
    std::string error;
    if (!ReadPayload(args[0], file, listing, error)) {
        return Fail(err, error);
    }
    const std::vector<PanoramaRecord> panoramas = PanoramaRecords(listing);
    if (panoramas.empty()) {
        return Fail(err, args[0] + ": the payload holds no image");
    }
    if (index > panoramas.size()) {
        return Fail(err, args[0] + ": the payload holds " + std::to_string(panoramas.size()) +
                             " images, not " + std::to_string(index));
    }
    const PanoramaRecord& image = panoramas[index - 1];
    const std::vector<uint8_t> jpeg(file.bytes.begin() + image.imageOffset,
                                    file.bytes.begin() + image.imageOffset + image.imageLength);
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
