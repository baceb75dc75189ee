#include "controls/wait_animation.h"
#include "win32/shell_functions.h"

#include <objidl.h>

#include <cstring>

#include "win32/embedded_resource.h"
#include "win32/system_libraries.h"

namespace {

// The GDI+ flat API, resolved from System32 (gdiplus.dll is no KnownDLL and must not be
// imported by name) and started for one decoding: a plain object of the thread that decodes,
// not a static another thread could set up at the same time.
using GpStatus = int;
using GpImage = void;
struct StartupInput {
    UINT32 version = 1;
    void* debugCallback = nullptr;
    BOOL suppressBackgroundThread = FALSE;
    BOOL suppressExternalCodecs = FALSE;
};
struct PropertyItem {
    ULONG id;
    ULONG length;
    WORD type;
    void* value;
};
constexpr ULONG kPropertyFrameDelay = 0x5100;
constexpr ULONG kPropertyLoopCount = 0x5101;
const GUID kFrameDimensionTime = {0x6aedbd6d, 0x3fb5, 0x418a, {0x83, 0xa6, 0x7f, 0x45, 0x22, 0x9d, 0xc8, 0x72}};

class Gdiplus {
public:
    Gdiplus() {
        HMODULE module = LoadSystemLibrary(L"gdiplus.dll");
        if (!module) return;
        ResolveFunction(module, startup, "GdiplusStartup");
        ResolveFunction(module, shutdown, "GdiplusShutdown");
        ResolveFunction(module, createFromStream, "GdipCreateBitmapFromStream");
        ResolveFunction(module, disposeImage, "GdipDisposeImage");
        ResolveFunction(module, getWidth, "GdipGetImageWidth");
        ResolveFunction(module, getHeight, "GdipGetImageHeight");
        ResolveFunction(module, frameCount, "GdipImageGetFrameCount");
        ResolveFunction(module, selectFrame, "GdipImageSelectActiveFrame");
        ResolveFunction(module, propertySize, "GdipGetPropertyItemSize");
        ResolveFunction(module, property, "GdipGetPropertyItem");
        ResolveFunction(module, createHbitmap, "GdipCreateHBITMAPFromBitmap");
        StartupInput input;
        ready = startup && shutdown && createFromStream && disposeImage && getWidth && getHeight && frameCount &&
                selectFrame && propertySize && property && createHbitmap && startup(&token_, &input, nullptr) == 0;
    }
    ~Gdiplus() {
        if (ready) shutdown(token_);  // the frames are plain bitmaps and outlive it
    }
    Gdiplus(const Gdiplus&) = delete;
    Gdiplus& operator=(const Gdiplus&) = delete;

    GpStatus(WINAPI* startup)(ULONG_PTR*, const StartupInput*, void*) = nullptr;
    void(WINAPI* shutdown)(ULONG_PTR) = nullptr;
    GpStatus(WINAPI* createFromStream)(IStream*, GpImage**) = nullptr;
    GpStatus(WINAPI* disposeImage)(GpImage*) = nullptr;
    GpStatus(WINAPI* getWidth)(GpImage*, UINT*) = nullptr;
    GpStatus(WINAPI* getHeight)(GpImage*, UINT*) = nullptr;
    GpStatus(WINAPI* frameCount)(GpImage*, const GUID*, UINT*) = nullptr;
    GpStatus(WINAPI* selectFrame)(GpImage*, const GUID*, UINT) = nullptr;
    GpStatus(WINAPI* propertySize)(GpImage*, ULONG, UINT*) = nullptr;
    GpStatus(WINAPI* property)(GpImage*, ULONG, UINT, PropertyItem*) = nullptr;
    GpStatus(WINAPI* createHbitmap)(GpImage*, HBITMAP*, DWORD) = nullptr;
    bool ready = false;

private:
    ULONG_PTR token_ = 0;
};

// A property item's raw bytes, or empty.
std::vector<BYTE> PropertyBytes(const Gdiplus& gdi, GpImage* image, ULONG id) {
    UINT size = 0;
    if (gdi.propertySize(image, id, &size) != 0 || size < sizeof(PropertyItem)) return {};
    std::vector<BYTE> buffer(size);
    auto* item = reinterpret_cast<PropertyItem*>(buffer.data());
    if (gdi.property(image, id, size, item) != 0) return {};
    const BYTE* value = static_cast<const BYTE*>(item->value);
    return std::vector<BYTE>(value, value + item->length);
}

struct ImageHolder {
    const Gdiplus& gdi;
    GpImage* image = nullptr;
    ~ImageHolder() {
        if (image) gdi.disposeImage(image);
    }
};

struct StreamHolder {
    IStream* stream = nullptr;
    ~StreamHolder() {
        if (stream) stream->Release();
    }
};

}  // namespace

std::unique_ptr<WaitAnimation> WaitAnimation::Decode(std::span<const BYTE> gif) {
    if (gif.empty()) return nullptr;
    const Gdiplus gdi;
    if (!gdi.ready) return nullptr;

    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, gif.size());
    if (!memory) return nullptr;
    if (void* target = GlobalLock(memory)) {
        std::memcpy(target, gif.data(), gif.size());
        GlobalUnlock(memory);
    }
    StreamHolder stream;
    if (!ShellApi().createStreamOnHGlobal || FAILED(ShellApi().createStreamOnHGlobal(memory, TRUE, &stream.stream))) {
        GlobalFree(memory);
        return nullptr;
    }
    ImageHolder holder{gdi};
    if (gdi.createFromStream(stream.stream, &holder.image) != 0) return nullptr;

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
