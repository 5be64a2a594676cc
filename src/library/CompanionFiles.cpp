#include "CompanionFiles.h"

#include "core/FilePaths.h"
#include "library/RenamePlan.h"
#include "library/SearchStem.h"
#include "settings/AppSettings.h"

#include <QCoreApplication>
#include <QSet>

#include <algorithm>

#include <dirent.h>

namespace tolvane {

namespace {

// Two-letter codes (ISO 639-1).
const char twoLetterCodes[] =
    "aa ab ae af ak am an ar as av ay az ba be bg bh bi bm bn bo br bs ca ce ch co cr cs cu cv cy da "
    "de dv dz ee el en eo es et eu fa ff fi fj fo fr fy ga gd gl gn gu gv ha he hi ho hr ht hu hy hz "
    "ia id ie ig ii ik io is it iu ja jv ka kg ki kj kk kl km kn ko kr ks ku kv kw ky la lb lg li ln "
    "lo lt lu lv mg mh mi mk ml mn mr ms mt my na nb nd ne ng nl nn no nr nv ny oc oj om or os pa pi "
    "pl ps pt qu rm rn ro ru rw sa sc sd se sg si sk sl sm sn so sq sr ss st su sv sw ta te tg th ti "
    "tk tl tn to tr ts tt tw ty ug uk ur uz ve vi vo wa wo xh yi yo za zh zu ";
// Three-letter codes (ISO 639-2, bibliographic and terminological).
const char threeLetterCodes[] =
    "aar abk ace ach ada ady afa afh afr ain aka akk alb ale alg alt amh ang anp apa ara arc arg arm "
    "arn arp art arw asm ast ath aus ava ave awa aym aze bad bai bak bal bam ban baq bas bat bej bel "
    "bem ben ber bho bih bik bin bis bla bnt bod bos bra bre btk bua bug bul bur byn cad cai car cat "
    "cau ceb cel ces cha chb che chg chi chk chm chn cho chp chr chu chv chy cmc cnr cop cor cos cpe "
    "cpf cpp cre crh crp csb cus cym cze dak dan dar day del den deu dgr din div doi dra dsb dua dum "
    "dut dyu dzo efi egy eka ell elx eng enm epo est eus ewe ewo fan fao fas fat fij fil fin fiu fon "
    "fra fre frm fro frr frs fry ful fur gaa gay gba gem geo ger gez gil gla gle glg glv gmh goh gon "
    "gor got grb grc gre grn gsw guj gwi hai hat hau haw heb her hil him hin hit hmn hmo hrv hsb hun "
    "hup hye iba ibo ice ido iii ijo iku ile ilo ina inc ind ine inh ipk ira iro isl ita jav jbo jpn "
    "jpr jrb kaa kab kac kal kam kan kar kas kat kau kaw kaz kbd kha khi khm kho kik kin kir kmb kok "
    "kom kon kor kos kpe krc krl kro kru kua kum kur kut lad lah lam lao lat lav lez lim lin lit lol "
    "loz ltz lua lub lug lui lun luo lus mac mad mag mah mai mak mal man mao map mar mas may mdf mdr "
    "men mga mic min mis mkd mkh mlg mlt mnc mni mno moh mon mos mri msa mul mun mus mwl mwr mya myn "
    "myv nah nai nap nau nav nbl nde ndo nds nep new nia nic niu nld nno nob nog non nor nqo nso nub "
    "nwc nya nym nyn nyo nzi oci oji ori orm osa oss ota oto paa pag pal pam pan pap pau peo per phi "
    "phn pli pol pon por pra pro pus que raj rap rar roa roh rom ron rum run rup rus sad sag sah sai "
    "sal sam san sas sat scn sco sel sem sga sgn shn sid sin sio sit sla slk slo slv sma sme smi smj "
    "smn smo sms sna snd snk sog som son sot spa sqi srd srn srp srr ssa ssw suk sun sus sux swa swe "
    "syc syr tah tai tam tat tel tem ter tet tgk tgl tha tib tig tir tiv tkl tlh tli tmh tog ton tpi "
    "tsi tsn tso tuk tum tup tur tut tvl twi tyv udm uga uig ukr umb und urd uzb vai ven vie vol vot "
    "wak wal war was wel wen wln wol xal xho yao yap yid yor ypk zap zbl zen zgh zha zho znd zul zun "
    "zxx zza ";

const QSet<QByteArray> &codeSet()
{
    static const QSet<QByteArray> codes = [] {
        QSet<QByteArray> set;
        for (const QByteArray &code : QByteArray(twoLetterCodes).split(' ') + QByteArray(threeLetterCodes).split(' '))
            if (!code.isEmpty())
                set.insert(code);
        return set;
    }();
    return codes;
}

bool isAsciiLetters(QByteArrayView text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); });
}

bool isDigits(QByteArrayView text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

/// "en", "rus", "pt-BR", "es-419".
bool isLanguageTag(QByteArrayView tag)
{
    const qsizetype dash = tag.indexOf('-');
    const QByteArrayView language = dash < 0 ? tag : tag.first(dash);
    if ((language.size() != 2 && language.size() != 3) || !isAsciiLetters(language)
        || !codeSet().contains(language.toByteArray().toLower()))
        return false;
    if (dash < 0)
        return true;
    const QByteArrayView region = tag.sliced(dash + 1);
    return (region.size() == 2 && isAsciiLetters(region)) || (region.size() == 3 && isDigits(region));
}

bool isOneOf(QByteArrayView word, std::initializer_list<const char *> choices)
{
    const QByteArray lower = word.toByteArray().toLower();
    return std::any_of(choices.begin(), choices.end(), [&](const char *choice) { return lower == choice; });
}

bool isFlag(QByteArrayView word)
{
    return isOneOf(word, {"forced", "sdh", "cc", "hi", "default"});
}

bool isVideoName(QByteArrayView name)
{
    const qsizetype dot = name.lastIndexOf('.');
    return dot > 0 && isVideoExtension(QString::fromLatin1(name.sliced(dot + 1)));
}

} // namespace

QByteArray baseNameOf(QByteArrayView fileName)
{
    const qsizetype dot = fileName.lastIndexOf('.');
    return (dot > 0 && dot < fileName.size() - 1 ? fileName.first(dot) : fileName).toByteArray();
}

bool isCompanionSuffix(QByteArrayView rest)
{
    if (rest.size() < 2 || rest.front() != '.')
        return false;
    const QList<QByteArray> words = rest.sliced(1).toByteArray().split('.');
    const QByteArray &extension = words.last();
    if (isOneOf(extension, {"jpg", "jpeg", "png", "webp"}))
        return words.size() == 1;
    if (!isOneOf(extension, {"srt", "ass", "ssa", "vtt", "sub", "idx", "sup", "smi", "nfo"}))
        return false;
    return std::all_of(words.cbegin(), words.cend() - 1,
        [](const QByteArray &word) { return isLanguageTag(word) || isFlag(word); });
}

QHash<QByteArray, QList<QByteArray>> matchCompanions(
    const QList<QByteArray> &folderNames, const QList<QByteArray> &videos)
{
    // Every video of the folder competes, so a name is never given to a shorter base by mistake.
    QSet<QByteArray> bases;
    for (const QByteArray &name : folderNames)
        if (isVideoName(name))
            bases.insert(baseNameOf(name));
    // Two videos of one base name (Film.mkv, Film.avi): the first in list order takes the
    // companions, so a dry run and the run it plans decide alike.
    QHash<QByteArray, QByteArray> renamedByBase;
    for (const QByteArray &video : videos) {
        const QByteArray base = baseNameOf(video);
        bases.insert(base);
        if (!renamedByBase.contains(base))
            renamedByBase.insert(base, video);
    }
    const QSet<QByteArray> videoSet(videos.cbegin(), videos.cend());

    QHash<QByteArray, QList<QByteArray>> result;
    for (const QByteArray &name : folderNames) {
        if (videoSet.contains(name))
            continue;
        // Longest base first: each dot, from the last, ends a candidate base.
        for (qsizetype dot = name.lastIndexOf('.'); dot > 0; dot = name.lastIndexOf('.', dot - 1)) {
            const QByteArray base = name.first(dot);
            if (!bases.contains(base) || !isCompanionSuffix(QByteArrayView(name).sliced(dot)))
                continue;
            if (const auto owner = renamedByBase.constFind(base); owner != renamedByBase.cend())
                result[*owner].append(name);
            break;
        }
    }
    for (QList<QByteArray> &names : result)
        std::sort(names.begin(), names.end());
    return result;
}

QList<QByteArray> folderEntries(const QByteArray &folder)
{
    QList<QByteArray> names;
    DIR *directory = ::opendir(folder.constData());
    if (!directory)
        return names;
    while (const dirent *entry = ::readdir(directory)) {
        const QByteArrayView name(entry->d_name);
        if (name == "." || name == ".." || entry->d_type == DT_DIR)
            continue;
        names.append(name.toByteArray());
    }
    ::closedir(directory);
    return names;
}

QHash<const MovieItem *, QList<CompanionMove>> planCompanions(const QList<MovieItemPtr> &items)
{
    QHash<QByteArray, QList<const MovieItem *>> byFolder;
    for (const MovieItemPtr &item : items)
        if (item && item->canRename())
            byFolder[nativeFolder(item->nativePath())].append(item.get());

    QHash<const MovieItem *, QList<CompanionMove>> plan;
    for (auto folder = byFolder.cbegin(); folder != byFolder.cend(); ++folder) {
        QHash<QByteArray, const MovieItem *> rowByName;
        QList<QByteArray> videos; // in list order, which decides between videos of one base name
        for (const MovieItem *item : *folder) {
            const QByteArray name = nativeFileName(item->nativePath());
            rowByName.insert(name, item);
            videos.append(name);
        }
        const QByteArray prefix = folder.key().endsWith('/') ? folder.key() : folder.key() + '/';
        const auto matched = matchCompanions(folderEntries(folder.key()), videos);
        for (auto entry = matched.cbegin(); entry != matched.cend(); ++entry) {
            const MovieItem *item = rowByName.value(entry.key());
            const QByteArray videoBase = baseNameOf(entry.key());
            const QByteArray targetBase = deletingPathExtension(*item->proposedName()).toUtf8();
            // They go where the video goes: into its film folder, when it has one.
            const QByteArray targetFolder = renameTargetFolder(*item);
            const QByteArray targetPrefix = targetFolder.endsWith('/') ? targetFolder : targetFolder + '/';
            // A change of the extension's case alone leaves the companions as they are.
            if (targetBase == videoBase && targetPrefix == prefix)
                continue;
            QList<CompanionMove> &moves = plan[item];
            for (const QByteArray &name : *entry) {
                const QByteArray suffix = name.sliced(videoBase.size());
                moves.append({prefix + name, targetPrefix + targetBase + suffix, suffix});
            }
        }
    }
    return plan;
}

QList<CompanionMove> companionMovesFor(const MovieItem &item)
{
    if (!item.canRename() || !AppSettings::moveCompanionFiles())
        return {};
    // Not owned: the row lives as long as the caller's reference.
    const MovieItemPtr row(const_cast<MovieItem *>(&item), [](MovieItem *) { });
    return planCompanions({row}).value(&item);
}

QString companionSummaryText(const QList<CompanionMove> &moves)
{
    if (moves.isEmpty())
        return {};
    QStringList suffixes;
    for (const CompanionMove &move : moves)
        suffixes.append(readableName(move.suffix));
    const int count = int(moves.size());
    const QString joined = suffixes.join(QStringLiteral(", "));
    //: The files moved along with the film; %1 lists their name endings
    return count == 1 ? QCoreApplication::translate("CompanionFiles", "+ %n file: %1", nullptr, count).arg(joined)
                      : QCoreApplication::translate("CompanionFiles", "+ %n files: %1", nullptr, count).arg(joined);
}

} // namespace tolvane
