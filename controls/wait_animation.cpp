#include "controls/wait_animation.h"

#include <objidl.h>

#include <cstring>

#include "win32/embedded_resource.h"
#include "win32/handles.h"
#include "win32/system_functions.h"

namespace {

constexpr ULONG kPropertyFrameDelay = 0x5100;
constexpr ULONG kPropertyLoopCount = 0x5101;
const GUID kFrameDimensionTime = {0x6aedbd6d, 0x3fb5, 0x418a, {0x83, 0xa6, 0x7f, 0x45, 0x22, 0x9d, 0xc8, 0x72}};

// GDI+ started for one decoding and shut down after it: a plain object of the decoding, so
// that nothing of GDI+ stays set up once the animation is decoded.
class GdiplusSession {
public:
    GdiplusSession() : gdi_(GdiplusApi()) {
        const gdiplus::StartupInput input;
        ready_ = gdi_.startup && gdi_.shutdown && gdi_.createFromStream && gdi_.disposeImage && gdi_.getWidth &&
                 gdi_.getHeight && gdi_.frameCount && gdi_.selectFrame && gdi_.propertySize && gdi_.property &&
                 gdi_.createHbitmap && gdi_.startup(&token_, &input, nullptr) == 0;
    }
    ~GdiplusSession() {
        if (ready_) gdi_.shutdown(token_);  // the frames are plain bitmaps and outlive it
    }
    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;
    bool Ready() const { return ready_; }
    const GdiplusFunctions& operator*() const { return gdi_; }

private:
    const GdiplusFunctions& gdi_;
    ULONG_PTR token_ = 0;
    bool ready_ = false;
};

// A property item's raw bytes, or empty.
std::vector<BYTE> PropertyBytes(const GdiplusFunctions& gdi, gdiplus::Image* image, ULONG id) {
    UINT size = 0;
    if (gdi.propertySize(image, id, &size) != 0 || size < sizeof(gdiplus::PropertyItem)) return {};
    std::vector<BYTE> buffer(size);
    auto* item = reinterpret_cast<gdiplus::PropertyItem*>(buffer.data());
    if (gdi.property(image, id, size, item) != 0) return {};
    const BYTE* value = static_cast<const BYTE*>(item->value);
    return std::vector<BYTE>(value, value + item->length);
}

struct ImageHolder {
    const GdiplusFunctions& gdi;
    gdiplus::Image* image = nullptr;
    ~ImageHolder() {
        if (image) gdi.disposeImage(image);
    }
};

}  // namespace

std::unique_ptr<WaitAnimation> WaitAnimation::Decode(std::span<const BYTE> gif) {
    if (gif.empty()) return nullptr;
    const GdiplusSession session;
    if (!session.Ready()) return nullptr;
    const GdiplusFunctions& gdi = *session;

    // A stream over memory of its own, written and then read from its start.
    ComRef<IStream> stream;
    const auto createStream = ShellApi().createStreamOnHGlobal;
    ULONG written = 0;
    if (!createStream || FAILED(createStream(nullptr, TRUE, stream.Out())) ||
        FAILED(stream->Write(gif.data(), static_cast<ULONG>(gif.size()), &written)) || written != gif.size() ||
        FAILED(stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr)))
        return nullptr;
    ImageHolder holder{gdi};
    if (gdi.createFromStream(stream.get(), &holder.image) != 0) return nullptr;

    auto animation = std::unique_ptr<WaitAnimation>(new WaitAnimation);
    UINT width = 0, height = 0, count = 0;
    gdi.getWidth(holder.image, &width);
    gdi.getHeight(holder.image, &height);
    if (gdi.frameCount(holder.image, &kFrameDimensionTime, &count) != 0 || count == 0) count = 1;
    animation->size_ = SIZE{static_cast<LONG>(width), static_cast<LONG>(height)};

    const std::vector<BYTE> delays = PropertyBytes(gdi, holder.image, kPropertyFrameDelay);
    const std::vector<BYTE> loops = PropertyBytes(gdi, holder.image, kPropertyLoopCount);
    if (loops.size() >= 2) animation->loopCount_ = loops[0] | (loops[1] << 8);

    for (UINT i = 0; i < count; ++i) {
        if (count > 1 && gdi.selectFrame(holder.image, &kFrameDimensionTime, i) != 0) return nullptr;
        HBITMAP frame = nullptr;
        if (gdi.createHbitmap(holder.image, &frame, 0xFF000000) != 0) return nullptr;
        animation->frames_.emplace_back(frame);
        UINT delay = 0;  // hundredths of a second, four bytes per frame
        if (delays.size() >= (i + 1) * 4) std::memcpy(&delay, &delays[i * 4], 4);
        animation->delaysMs_.push_back(delay * 10);
    }
    return animation;
}

std::unique_ptr<WaitAnimation> WaitAnimation::FromResource(const wchar_t* name) {
    return Decode(EmbeddedResource(nullptr, MAKEINTRESOURCEW(10) /* RT_RCDATA */, name));
}
