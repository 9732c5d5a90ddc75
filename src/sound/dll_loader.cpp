#include "sound/dll_loader.h"

#include <dlfcn.h>

#include <filesystem>
#include <system_error>

namespace korvalo {

namespace {

// The library's exported functions: every argument and result a 32-bit
// integer, except the address of the wave image.
using InitFn = int32_t (*)(int32_t);
using CreateFn = int32_t (*)(int32_t, const void*, int32_t);
using HandleFn = int32_t (*)(int32_t);
using PrepareFn = int32_t (*)();

class LoadedLibrary : public DsLibrary {
public:
    explicit LoadedLibrary(void* handle) : handle_(handle) {}
    ~LoadedLibrary() override { dlclose(handle_); }
    LoadedLibrary(const LoadedLibrary&) = delete;
    LoadedLibrary& operator=(const LoadedLibrary&) = delete;

    bool resolve(std::string* missing)
    {
        return bind(initialize_, "dsInitialize", missing) && bind(create_, "dsCreateDSB", missing) &&
               bind(play_, "dsPlay", missing) && bind(playLooping_, "dsPlayLooping", missing) &&
               bind(stop_, "dsStop", missing) && bind(free_, "dsFree", missing) &&
               bind(terminate_, "dsTerminate", missing);
    }
    // Not one of the functions the program needs: a library without it
    // opens the device in dsInitialize.
    void bindPrepare() { prepare_ = reinterpret_cast<PrepareFn>(dlsym(handle_, "dsPrepare")); }

    void openAhead() override
    {
        if (prepare_)
            prepare_();
    }

    int32_t dsInitialize(int32_t window) override { return initialize_(window); }
    int32_t dsCreateDSB(int32_t library, const void* image, int32_t flags, const std::string&) override
    {
        return create_(library, image, flags);
    }
    int32_t dsPlay(int32_t buffer) override { return play_(buffer); }
    int32_t dsPlayLooping(int32_t buffer) override { return playLooping_(buffer); }
    int32_t dsStop(int32_t buffer) override { return stop_(buffer); }
    int32_t dsFree(int32_t buffer) override { return free_(buffer); }
    int32_t dsTerminate(int32_t library) override { return terminate_(library); }

private:
    template <typename Fn>
    bool bind(Fn& fn, const char* name, std::string* missing)
    {
        fn = reinterpret_cast<Fn>(dlsym(handle_, name));
        if (!fn && missing)
            *missing = name;
        return fn != nullptr;
    }

    void* handle_;
    InitFn initialize_ = nullptr;
    CreateFn create_ = nullptr;
    HandleFn play_ = nullptr;
    HandleFn playLooping_ = nullptr;
    HandleFn stop_ = nullptr;
    HandleFn free_ = nullptr;
    HandleFn terminate_ = nullptr;
    PrepareFn prepare_ = nullptr;
};

}  // namespace

std::unique_ptr<DsLibrary> loadSoundLibrary(const std::string& directory, std::string* error)
{
    // An absolute path: dlopen then never searches the working folder or the
    // library path.
    std::string path = directory.empty() ? std::string(".") : directory;
    if (path.front() != '/') {
        if (error)
            *error = "the program's folder is not an absolute path: " + path;
        return nullptr;
    }
    path += "/";
    path += soundLibraryFileName;
    // Lazy binding: the forty-odd libraries beneath it bind a function when
    // it is first called, not all of them while the window starts. The
    // library itself is linked to bind at once (-z now), so one that cannot
    // resolve a function of its own still fails here.
    void* handle = dlopen(path.c_str(), RTLD_LAZY | RTLD_LOCAL);
    if (!handle) {
        if (error) {
            const char* why = dlerror();
            *error = why ? why : ("cannot load " + path);
        }
        return nullptr;
    }
#if defined(__SANITIZE_ADDRESS__)
    // Built with the sanitizers, SDL, which the library brings, stays mapped
    // once the library is let go, and with it the libraries SDL loads itself:
    // the leak checker at exit then names them in what it finds, and
    // tests/lsan.supp passes over what they keep to the end by that name.
    // The library's own code is still unloaded, and so never passed over.
    dlopen("libSDL2-2.0.so.0", RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE);
#endif
    auto library = std::make_unique<LoadedLibrary>(handle);
    std::string missing;
    if (!library->resolve(&missing)) {
        if (error)
            *error = path + " lacks the function " + missing;
        return nullptr;
    }
    library->bindPrepare();
    return library;
}

std::string programDirectory()
{
    std::error_code failed;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", failed);
    if (failed || !self.is_absolute())
        return {};
    return self.parent_path().string();
}

}  // namespace korvalo
