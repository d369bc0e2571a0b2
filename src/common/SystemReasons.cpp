#include "common/SystemReasons.h"

#include "common/ShellSettings.h"

#include <cerrno>
#include <cstring>

namespace {

struct Reason {
    int Code;
    const char* Serbian;
};

constexpr Reason Reasons[] = {
    {ENOENT, "nema takve datoteke ili fascikle"},
    {EACCES, "pristup nije dozvoljen"},
    {EPERM, "radnja nije dozvoljena"},
    {EBUSY, "uređaj ili datoteka su zauzeti"},
    {EIO, "greška ulaza/izlaza"},
    {ENODEV, "nema takvog uređaja"},
    {ENXIO, "nema takvog uređaja ili adrese"},
    {EEXIST, "datoteka već postoji"},
    {EISDIR, "to je fascikla"},
    {ENOTDIR, "deo putanje nije fascikla"},
    {ENOSPC, "na disku nema više mesta"},
    {EROFS, "sistem datoteka je samo za čitanje"},
    {EMFILE, "previše otvorenih datoteka"},
    {ENFILE, "previše otvorenih datoteka u sistemu"},
    {ENAMETOOLONG, "ime datoteke je predugačko"},
    {ELOOP, "previše simboličkih veza"},
    {EDQUOT, "kvota diska je prekoračena"},
    {EFBIG, "datoteka je prevelika"},
    {EAGAIN, "resurs trenutno nije dostupan"},
};

QString SystemWords(int code) {
    return QString::fromLocal8Bit(std::strerror(code));
}

} // namespace

namespace SystemReasons {

QString ForCode(int code, int lang) {
    if (lang == ShellSettings::Serbian) {
        for (const Reason& reason : Reasons)
            if (reason.Code == code)
                return QString::fromUtf8(reason.Serbian);
    }
    return SystemWords(code);
}

QString Translate(const QString& reason, int lang) {
    if (lang != ShellSettings::Serbian)
        return reason;
    for (const Reason& known : Reasons)
        if (reason.compare(SystemWords(known.Code), Qt::CaseInsensitive) == 0)
            return QString::fromUtf8(known.Serbian);
    return reason;
}

QString ForCode(int code) {
    return ForCode(code, Shell().UiLanguage);
}

QString Translate(const QString& reason) {
    return Translate(reason, Shell().UiLanguage);
}

} // namespace SystemReasons
