// PNG output through libpng: files get the picture through a temporary file
// renamed into place, devices and pipes get it written straight through, so
// that neither a failure nor a signal leaves a half-written image behind or
// damages what was there.
#include "shell/replay/png_file.h"

#include "shell/replay/io.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <png.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// Where libpng's bytes go, and what went wrong.
struct PngSink {
    int fd;
    int writeErrno;      // the errno of a failed write, else 0
    char message[128];   // libpng's own complaint otherwise
};

void WriteBytes(png_structp png, png_bytep data, size_t length)
{
    PngSink *sink = (PngSink *)png_get_io_ptr(png);
    if (!WriteAll(sink->fd, data, length)) {
        sink->writeErrno = errno;
        png_error(png, "write failed");
    }
}

void FlushNothing(png_structp) {}

void OnError(png_structp png, png_const_charp message)
{
    PngSink *sink = (PngSink *)png_get_error_ptr(png);
    snprintf(sink->message, sizeof sink->message, "%s", message);
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

bool EncodePng(PngSink &sink, const uint32_t *pixels, int width, int height)
{
    std::vector<png_byte> row((size_t)width * 3);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &sink, OnError, OnWarning);
    png_infop info = png ? png_create_info_struct(png) : NULL;
    if (!info) {
        snprintf(sink.message, sizeof sink.message, "out of memory");
        png_destroy_write_struct(&png, NULL);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, &sink, WriteBytes, FlushNothing);
    png_set_IHDR(png, info, (png_uint_32)width, (png_uint_32)height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < height; y++) {
        const uint32_t *src = pixels + (size_t)y * (size_t)width;
        for (int x = 0; x < width; x++) {
            row[(size_t)x * 3 + 0] = (png_byte)(src[x] >> 16);
            row[(size_t)x * 3 + 1] = (png_byte)(src[x] >> 8);
            row[(size_t)x * 3 + 2] = (png_byte)src[x];
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

std::string SinkReason(const PngSink &sink)
{
    return sink.writeErrno ? strerror(sink.writeErrno) : sink.message;
}

// The temporary file while it exists, for the signal handler: a fixed
// buffer, as a handler may not allocate.
const int CleanupSignals[] = {SIGHUP, SIGINT, SIGPIPE, SIGQUIT, SIGTERM};
const int SignalCount = sizeof CleanupSignals / sizeof CleanupSignals[0];
char PendingTemp[PATH_MAX];
volatile sig_atomic_t PendingArmed = 0;
struct sigaction SavedActions[SignalCount];
bool Installed[SignalCount];

void RemoveTempAndDie(int sig)
{
    if (PendingArmed)
        unlink(PendingTemp);
    for (int i = 0; i < SignalCount; i++)
        if (CleanupSignals[i] == sig)
            sigaction(sig, &SavedActions[i], NULL);
    raise(sig);   // delivered with the old action once the handler returns
}

// The cleanup signals wait while the temporary file comes and goes, so
// that the handler never sees half a change.
class SignalsBlocked {
public:
    SignalsBlocked()
    {
        sigset_t set;
        sigemptyset(&set);
        for (int sig : CleanupSignals)
            sigaddset(&set, sig);
        sigprocmask(SIG_BLOCK, &set, &old_);
    }
    ~SignalsBlocked() { sigprocmask(SIG_SETMASK, &old_, NULL); }

private:
    sigset_t old_;
};

// Only signals that would end the program with their default action get
// the handler: one that is ignored (as under nohup) stays ignored.
void InstallHandlers()
{
    for (int i = 0; i < SignalCount; i++) {
        struct sigaction current;
        sigaction(CleanupSignals[i], NULL, &current);
        Installed[i] = !(current.sa_flags & SA_SIGINFO) && current.sa_handler == SIG_DFL;
        if (!Installed[i])
            continue;
        SavedActions[i] = current;
        struct sigaction action;
        memset(&action, 0, sizeof action);
        action.sa_handler = RemoveTempAndDie;
        sigemptyset(&action.sa_mask);
        for (int sig : CleanupSignals)
            sigaddset(&action.sa_mask, sig);
        sigaction(CleanupSignals[i], &action, NULL);
    }
}

void RestoreHandlers()
{
    for (int i = 0; i < SignalCount; i++)
        if (Installed[i])
            sigaction(CleanupSignals[i], &SavedActions[i], NULL);
}

bool Fail(std::string &error, const std::string &what, const std::string &reason)
{
    error = what + ": " + reason;
    return false;
}

bool ParseDescriptor(const char *digits, int &fd)
{
    long value = 0;
    if (!*digits)
        return false;
    for (const char *c = digits; *c; c++) {
        if (*c < '0' || *c > '9' || value > INT_MAX / 10)
            return false;
        value = value * 10 + (*c - '0');
    }
    if (value > INT_MAX)
        return false;
    fd = (int)value;
    return true;
}

}   // namespace

int DescriptorNamed(const std::string &path)
{
    if (path == "-" || path == "/dev/stdout")
        return STDOUT_FILENO;
    if (path == "/dev/stdin")
        return STDIN_FILENO;
    if (path == "/dev/stderr")
        return STDERR_FILENO;
    int fd;
    for (const char *folder : {"/dev/fd/", "/proc/self/fd/"}) {
        size_t length = strlen(folder);
        if (path.compare(0, length, folder) == 0 && ParseDescriptor(path.c_str() + length, fd))
            return fd;
    }
    return -1;
}

bool PngOutput::Write(const std::string &path, const uint32_t *pixels, int width, int height, std::string &error)
{
    Discard();
    const std::string shown = Printable(path);
    pixels_ = pixels;
    width_ = width;
    height_ = height;
    int named = DescriptorNamed(path);
    if (named >= 0) {
        int flags = fcntl(named, F_GETFL);
        if (flags < 0 || (flags & O_ACCMODE) == O_RDONLY)
            return Fail(error, "cannot write " + (path == "-" ? std::string("standard output") : shown),
                        strerror(EBADF));
        streamFd_ = named;
        streamName_ = named == STDOUT_FILENO ? "standard output" : shown;
        return true;
    }

    struct stat st, link;
    if (stat(path.c_str(), &st) != 0) {
        if (errno != ENOENT)
            return Fail(error, "cannot write " + shown, strerror(errno));
        if (lstat(path.c_str(), &link) == 0)
            return Fail(error, "cannot write " + shown, "a symbolic link to nothing");
        return Replace(path, NULL, pixels, width, height, error);
    }
    if (S_ISCHR(st.st_mode) || S_ISFIFO(st.st_mode)) {
        // Opening a pipe waits for its reader. Never truncate: this is no file.
        int fd = open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
        if (fd < 0)
            return Fail(error, "cannot open " + shown, strerror(errno));
        struct stat opened;
        if (fstat(fd, &opened) != 0 || !(S_ISCHR(opened.st_mode) || S_ISFIFO(opened.st_mode))) {
            close(fd);
            return Fail(error, "cannot write " + shown, "it was replaced while being opened");
        }
        streamFd_ = fd;
        ownsStream_ = true;
        streamName_ = shown;
        return true;
    }
    if (S_ISDIR(st.st_mode))
        return Fail(error, "cannot write " + shown, strerror(EISDIR));
    if (!S_ISREG(st.st_mode))
        return Fail(error, "cannot write " + shown, "not a regular file, a character device or a pipe");
    // A file the user may not write stays as it is, though its folder would
    // let the rename replace it.
    if (faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0)
        return Fail(error, "cannot write " + shown, strerror(errno));
    if (lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
        char *real = realpath(path.c_str(), NULL);
        if (!real)
            return Fail(error, "cannot write " + shown, strerror(errno));
        std::string target = real;
        free(real);
        return Replace(target, &st, pixels, width, height, error);
    }
    return Replace(path, &st, pixels, width, height, error);
}

// The picture, complete and on disk, in a temporary file beside TARGET. Its
// name is short, so that any name that may exist may have one beside it.
bool PngOutput::Replace(const std::string &target, const struct stat *existing, const uint32_t *pixels, int width,
                        int height, std::string &error)
{
    size_t slash = target.rfind('/');
    std::string temp = (slash == std::string::npos ? "" : target.substr(0, slash + 1)) + ".brisqual-XXXXXX";
    const std::string shownTemp = Printable(temp), forTarget = " (for " + Printable(target) + ")";
    std::string what = "cannot create " + shownTemp + forTarget;
    if (temp.size() >= sizeof PendingTemp)
        return Fail(error, what, strerror(ENAMETOOLONG));
    int fd;
    {
        SignalsBlocked blocked;
        if (PendingArmed)
            return Fail(error, what, "another picture is being written");
        InstallHandlers();
        memcpy(PendingTemp, temp.c_str(), temp.size() + 1);
        fd = mkstemp(PendingTemp);
        if (fd < 0) {
            int e = errno;
            RestoreHandlers();
            return Fail(error, what, strerror(e));
        }
        PendingArmed = 1;
        pending_ = true;
        target_ = target;
    }
    temp = PendingTemp;

    mode_t mode;
    if (existing) {
        // Owner and group as before where that is allowed; the mode always.
        if (existing->st_uid != geteuid() || existing->st_gid != getegid()) {
            if (fchown(fd, existing->st_uid, existing->st_gid) != 0) {}
        }
        mode = existing->st_mode & 07777;
    } else {
        mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    PngSink sink = {fd, 0, ""};
    bool ok = false;
    if (fchmod(fd, mode) != 0)
        Fail(error, "cannot set the mode of " + shownTemp, strerror(errno));
    else if (!EncodePng(sink, pixels, width, height))
        Fail(error, "cannot write " + shownTemp + forTarget, SinkReason(sink));
    else if (fsync(fd) != 0)
        Fail(error, "cannot write " + shownTemp + forTarget, strerror(errno));
    else
        ok = true;
    if (close(fd) != 0 && ok)
        ok = Fail(error, "cannot write " + shownTemp + forTarget, strerror(errno));
    if (!ok)
        Discard();
    return ok;
}

bool PngOutput::Commit(std::string &error)
{
    if (streamFd_ >= 0) {
        PngSink sink = {streamFd_, 0, ""};
        bool ok = EncodePng(sink, pixels_, width_, height_);
        if (!ok)
            Fail(error, "cannot write " + streamName_, SinkReason(sink));
        if (ownsStream_ && close(streamFd_) != 0 && ok)
            ok = Fail(error, "cannot write " + streamName_, strerror(errno));
        streamFd_ = -1;
        ownsStream_ = false;
        return ok;
    }
    if (!pending_)
        return true;
    SignalsBlocked blocked;
    bool ok = rename(PendingTemp, target_.c_str()) == 0;
    if (!ok) {
        Fail(error, "cannot rename " + Printable(PendingTemp, strlen(PendingTemp)) + " to " + Printable(target_),
             strerror(errno));
        unlink(PendingTemp);
    }
    PendingArmed = 0;
    RestoreHandlers();
    pending_ = false;
    return ok;
}

void PngOutput::Discard()
{
    if (ownsStream_)
        close(streamFd_);
    streamFd_ = -1;
    ownsStream_ = false;
    if (!pending_)
        return;
    SignalsBlocked blocked;
    unlink(PendingTemp);
    PendingArmed = 0;
    RestoreHandlers();
    pending_ = false;
}

bool WritePngFile(const std::string &path, const uint32_t *pixels, int width, int height, std::string &error)
{
    PngOutput output;
    return output.Write(path, pixels, width, height, error) && output.Commit(error);
}

bool ReadPngFile(const std::string &path, std::vector<uint32_t> &pixels, int &width, int &height, std::string &error)
{
    png_image image;
    memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) {
        error = path + ": " + image.message;
        return false;
    }
    image.format = PNG_FORMAT_BGRA;   // little-endian words of 0xAARRGGBB
    pixels.assign((size_t)image.width * image.height, 0);
    if (!png_image_finish_read(&image, NULL, pixels.data(), 0, NULL)) {
        error = path + ": " + image.message;
        png_image_free(&image);
        return false;
    }
    for (uint32_t &p : pixels)
        p &= 0x00FFFFFF;
    width = (int)image.width;
    height = (int)image.height;
    return true;
}
