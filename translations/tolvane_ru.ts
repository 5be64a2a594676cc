<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context>
    <name>ApiKeyStore</name>
    <message>
        <location filename="../src/settings/ApiKeyStore.cpp" line="+141"/>
        <source>the keyring (Secret Service)</source>
        <extracomment>Where the API key is kept, as &quot;tolvane-cli settings&quot; names it</extracomment>
        <translation>связка ключей (Secret Service)</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>the settings file %1</source>
        <extracomment>Where the API key is kept, as &quot;tolvane-cli settings&quot; names it</extracomment>
        <translation>файл настроек %1</translation>
    </message>
</context>
<context>
    <name>AppSettings</name>
    <message>
        <location filename="../src/settings/AppSettings.cpp" line="+94"/>
        <source>The settings could not be saved to %1: %2</source>
        <translation>Не удалось сохранить настройки в %1: %2</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>the file cannot be written</source>
        <translation>файл недоступен для записи</translation>
    </message>
    <message>
        <location line="+11"/>
        <source>something that is not a file is in its place</source>
        <translation>на его месте находится не файл</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>the file does not hold what was written</source>
        <translation>в файле нет того, что было записано</translation>
    </message>
</context>
<context>
    <name>BatchLookup</name>
    <message>
        <location filename="../src/library/BatchLookup.cpp" line="+34"/>
        <source>already so named</source>
        <translation>уже так называется</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>no match</source>
        <translation>нет совпадения</translation>
    </message>
</context>
<context>
    <name>BinaryCookies</name>
    <message>
        <location filename="../src/services/BinaryCookies.cpp" line="+128"/>
        <source>The file is not a binary cookie file (bad magic)</source>
        <translation>Это не двоичный файл куки (неверная сигнатура)</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>The file is truncated</source>
        <translation>Файл обрезан</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>The file could not be parsed</source>
        <translation>Не удалось разобрать файл</translation>
    </message>
</context>
<context>
    <name>BrowserCookies</name>
    <message>
        <location filename="../src/services/BrowserCookies.cpp" line="+68"/>
        <source>The file could not be read: %1</source>
        <translation>Не удалось прочитать файл: %1</translation>
    </message>
    <message>
        <location line="+25"/>
        <source>The cookie file is not a regular file</source>
        <translation>Файл куки — не обычный файл</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>The file is too large to be a cookie file</source>
        <translation>Файл слишком велик для файла куки</translation>
    </message>
    <message numerus="yes">
        <location line="+231"/>
        <source>Loaded %n cookies from Firefox (%1 in %2, the one used most recently)</source>
        <translation>
            <numerusform>Загружено куки из Firefox: %n (%1 в %2, последний использованный профиль)</numerusform>
            <numerusform>Загружено куки из Firefox: %n (%1 в %2, последний использованный профиль)</numerusform>
            <numerusform>Загружено куки из Firefox: %n (%1 в %2, последний использованный профиль)</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <location line="+4"/>
        <source>Loaded %n cookies from Firefox (%1)</source>
        <translation>
            <numerusform>Загружено куки из Firefox: %n (%1)</numerusform>
            <numerusform>Загружено куки из Firefox: %n (%1)</numerusform>
            <numerusform>Загружено куки из Firefox: %n (%1)</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <location line="+1"/>
        <source>Status: loaded %n cookies
%1</source>
        <translation>
            <numerusform>Состояние: загружено куки: %n
%1</numerusform>
            <numerusform>Состояние: загружено куки: %n
%1</numerusform>
            <numerusform>Состояние: загружено куки: %n
%1</numerusform>
        </translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Status: parse error — %1</source>
        <translation>Состояние: ошибка разбора — %1</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Status: disabled</source>
        <translation>Состояние: отключено</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>No browser cookies found (Firefox profile or Cookies.binarycookies)</source>
        <translation>Куки браузера не найдены (профиль Firefox или Cookies.binarycookies)</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Status: permission denied — %1</source>
        <translation>Состояние: доступ запрещён — %1</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Status: permission denied (need Full Disk Access)</source>
        <translation>Состояние: доступ запрещён (нужен «Полный доступ к диску»)</translation>
    </message>
</context>
<context>
    <name>CompanionFiles</name>
    <message numerus="yes">
        <location filename="../src/library/CompanionFiles.cpp" line="+238"/>
        <source>+ %n file: %1</source>
        <extracomment>The files moved along with the film; %1 lists their name endings</extracomment>
        <translation>
            <numerusform>+ %n файл: %1</numerusform>
            <numerusform>+ %n файла: %1</numerusform>
            <numerusform>+ %n файлов: %1</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <location line="+1"/>
        <source>+ %n files: %1</source>
        <translation>
            <numerusform>+ %n файл: %1</numerusform>
            <numerusform>+ %n файла: %1</numerusform>
            <numerusform>+ %n файлов: %1</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>EditCommands</name>
    <message>
        <location filename="../src/ui/EditCommands.cpp" line="+89"/>
        <source>Remove “%1”</source>
        <translation>Убрать „%1“</translation>
    </message>
    <message numerus="yes">
        <location line="+1"/>
        <source>Remove %n Files</source>
        <translation>
            <numerusform>Убрать %n файл</numerusform>
            <numerusform>Убрать %n файла</numerusform>
            <numerusform>Убрать %n файлов</numerusform>
        </translation>
    </message>
    <message>
        <location line="+70"/>
        <source>Open</source>
        <extracomment>The name of an edit: files or folders opened in place of the list</extracomment>
        <translation>Открыть</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Open “%1”</source>
        <translation>Открыть „%1“</translation>
    </message>
    <message numerus="yes">
        <location line="+1"/>
        <source>Open %n Files</source>
        <translation>
            <numerusform>Открыть %n файл</numerusform>
            <numerusform>Открыть %n файла</numerusform>
            <numerusform>Открыть %n файлов</numerusform>
        </translation>
    </message>
    <message>
        <location line="+81"/>
        <source>Rename</source>
        <translation>Переименовать</translation>
    </message>
    <message numerus="yes">
        <location line="+1"/>
        <source>Rename %n Files</source>
        <translation>
            <numerusform>Переименовать %n файл</numerusform>
            <numerusform>Переименовать %n файла</numerusform>
            <numerusform>Переименовать %n файлов</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>FirefoxCookies</name>
    <message>
        <location filename="../src/services/FirefoxCookies.cpp" line="+79"/>
        <source>Firefox&apos;s cookie database could not be read: %1</source>
        <translation>Не удалось прочитать базу куки Firefox: %1</translation>
    </message>
    <message>
        <location line="+18"/>
        <source>reading it took longer than %1 s</source>
        <translation>чтение заняло больше %1 с</translation>
    </message>
    <message>
        <location line="+28"/>
        <source>%1 is not a regular file</source>
        <translation>%1 — не обычный файл</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>%1 is larger than %2 MB, more than a browser&apos;s cookies take</source>
        <translation>%1 больше %2 МБ — больше, чем занимают куки браузера</translation>
    </message>
    <message>
        <location line="-39"/>
        <source>no private copy could be made: %1</source>
        <translation>не удалось сделать личную копию: %1</translation>
    </message>
    <message>
        <location line="+149"/>
        <source>it holds more than %1 cookies, more than a browser keeps</source>
        <translation>в ней больше %1 куки — больше, чем хранит браузер</translation>
    </message>
    <message>
        <location line="+70"/>
        <source>it has no table moz_cookies</source>
        <translation>в ней нет таблицы moz_cookies</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>moz_cookies is a view, not a table</source>
        <translation>moz_cookies — представление, а не таблица</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>moz_cookies is a %1 table, not an ordinary one</source>
        <translation>moz_cookies — таблица типа %1, а не обычная</translation>
    </message>
    <message>
        <location line="+14"/>
        <source>moz_cookies lacks the column %1</source>
        <translation>в moz_cookies нет столбца %1</translation>
    </message>
</context>
<context>
    <name>LibraryModel</name>
    <message>
        <location filename="../src/library/LibraryModel.cpp" line="+222"/>
        <source>Open</source>
        <translation>Открыть</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Choose video files and/or folders (folders are scanned recursively)</source>
        <translation>Выберите видеофайлы и/или папки (папки просматриваются вместе с вложенными)</translation>
    </message>
</context>
<context>
    <name>LookupError</name>
    <message>
        <location filename="../src/engines/agent/YandexAIStudioClient.cpp" line="+139"/>
        <source>Yandex AI folder ID not set (Settings)</source>
        <translation>Не задан ID каталога Yandex AI (Настройки)</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Yandex AI prompt ID not set (Settings)</source>
        <translation>Не задан ID промпта Yandex AI (Настройки)</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Yandex AI endpoint URL invalid (Settings)</source>
        <translation>Недопустимый URL эндпоинта Yandex AI (Настройки)</translation>
    </message>
    <message>
        <location line="+39"/>
        <source>Yandex AI auth failed (check API key / folder in Settings)</source>
        <translation>Yandex AI: ошибка авторизации (проверьте API-ключ и ID каталога в настройках)</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Yandex AI rate limited (retry)</source>
        <translation>Yandex AI: слишком много запросов (повторите)</translation>
    </message>
    <message>
        <location line="+22"/>
        <source>Yandex AI HTTP %1</source>
        <translation>Yandex AI: HTTP %1</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Yandex AI HTTP %1: %2</source>
        <translation>Yandex AI: HTTP %1: %2</translation>
    </message>
    <message>
        <location line="+74"/>
        <source>Yandex AI refused the query (try extra tokens / year)</source>
        <translation>Yandex AI отказался отвечать (добавьте слова или год)</translation>
    </message>
    <message>
        <location line="+14"/>
        <source>Yandex AI: unknown title</source>
        <translation>Yandex AI: фильм неизвестен</translation>
    </message>
    <message>
        <location filename="../src/engines/duckduckgo/DuckDuckGoSearch.cpp" line="+32"/>
        <source>Bad DDG URL</source>
        <translation>Неверный URL DuckDuckGo</translation>
    </message>
    <message>
        <location filename="../src/engines/vkvideo/VKVideoAPIClient.cpp" line="+299"/>
        <source>VK API error</source>
        <translation>Ошибка VK API</translation>
    </message>
    <message>
        <location line="+66"/>
        <source>token missing</source>
        <translation>токена нет</translation>
    </message>
    <message>
        <location line="+66"/>
        <source>bad JSON</source>
        <translation>неверный JSON</translation>
    </message>
    <message>
        <location line="+13"/>
        <source>VK anonym token: %1</source>
        <translation>Анонимный токен VK: %1</translation>
    </message>
    <message>
        <location line="+15"/>
        <source>Bad VK Video API URL</source>
        <translation>Неверный URL API VK Video</translation>
    </message>
    <message>
        <location line="+13"/>
        <source>VK Video API HTTP %1</source>
        <translation>VK Video API: HTTP %1</translation>
    </message>
    <message>
        <location filename="../src/lookup/LookupError.cpp" line="+20"/>
        <source>Empty search query</source>
        <translation>Пустой поисковый запрос</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>No TMDB / Kinopoisk / VK Video result in search</source>
        <translation>Поиск ничего не нашёл на TMDB / Кинопоиске / VK Video</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Yandex AI API key not set (Settings)</source>
        <translation>Не задан API-ключ Yandex AI (Настройки)</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Could not parse title</source>
        <translation>Не удалось разобрать название</translation>
    </message>
    <message>
        <location filename="../src/lookup/PageFetch.cpp" line="+91"/>
        <source>HTTP 429 — rate limited, try later</source>
        <translation>HTTP 429 — слишком много запросов, повторите позже</translation>
    </message>
</context>
<context>
    <name>MediaInfo</name>
    <message>
        <location filename="../src/media/LibAVFormatProbe.cpp" line="+20"/>
        <source>libavformat (install mediainfo or ffprobe for more)</source>
        <translation>libavformat (установите mediainfo или ffprobe, чтобы узнать больше)</translation>
    </message>
    <message>
        <location line="+6"/>
        <location filename="../src/media/ToolOutput.cpp" line="+138"/>
        <location line="+61"/>
        <source>Probe</source>
        <translation>Анализатор</translation>
    </message>
    <message>
        <location line="+2"/>
        <location filename="../src/media/ToolOutput.cpp" line="-59"/>
        <location line="+61"/>
        <source>Container</source>
        <translation>Контейнер</translation>
    </message>
    <message>
        <location line="+3"/>
        <location line="+15"/>
        <location filename="../src/media/ToolOutput.cpp" line="-40"/>
        <location line="+63"/>
        <source>Audio tracks</source>
        <translation>Звуковые дорожки</translation>
    </message>
    <message>
        <location line="-4"/>
        <location filename="../src/media/ToolOutput.cpp" line="-71"/>
        <location line="+65"/>
        <source>Video bitrate</source>
        <translation>Битрейт видео</translation>
    </message>
    <message>
        <location line="+2"/>
        <location filename="../src/media/ToolOutput.cpp" line="-64"/>
        <location line="+65"/>
        <source>Video codec</source>
        <translation>Видеокодек</translation>
    </message>
    <message>
        <location line="+5"/>
        <location filename="../src/media/ToolOutput.cpp" line="-55"/>
        <location line="+63"/>
        <source>Audio bitrate</source>
        <translation>Битрейт звука</translation>
    </message>
    <message>
        <location line="+2"/>
        <location filename="../src/media/ToolOutput.cpp" line="-58"/>
        <location line="+59"/>
        <source>Audio codec</source>
        <translation>Аудиокодек</translation>
    </message>
    <message>
        <location line="+4"/>
        <location filename="../src/media/ToolOutput.cpp" line="+4"/>
        <source>Channels</source>
        <translation>Каналы</translation>
    </message>
    <message>
        <location filename="../src/media/MediaFormat.cpp" line="+38"/>
        <source>%1 Mbps</source>
        <translation>%1 Мбит/с</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>%1 kbps</source>
        <translation>%1 кбит/с</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>%1 fps</source>
        <translation>%1 кадр/с</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>%1 Hz</source>
        <translation>%1 Гц</translation>
    </message>
    <message>
        <location filename="../src/media/SummaryRows.h" line="+46"/>
        <source>File size</source>
        <translation>Размер файла</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Duration</source>
        <translation>Длительность</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>Resolution</source>
        <translation>Разрешение</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>Frame rate</source>
        <translation>Частота кадров</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Sample rate</source>
        <translation>Частота дискретизации</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Video</source>
        <translation>Видео</translation>
    </message>
    <message>
        <location filename="../src/media/ToolOutput.cpp" line="-153"/>
        <source>Audio list</source>
        <translation>Список дорожек</translation>
    </message>
    <message>
        <location line="+67"/>
        <location line="+58"/>
        <source>Overall bitrate</source>
        <translation>Общий битрейт</translation>
    </message>
    <message>
        <location line="-47"/>
        <source>Bit depth</source>
        <translation>Разрядность</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>%1 bit</source>
        <translation>%1 бит</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>HDR</source>
        <translation>HDR</translation>
    </message>
    <message>
        <location line="+14"/>
        <location line="+61"/>
        <source>Audio language</source>
        <translation>Язык звука</translation>
    </message>
    <message>
        <location line="-12"/>
        <source>Pixel format</source>
        <translation>Формат пикселей</translation>
    </message>
</context>
<context>
    <name>MediaInfoView</name>
    <message>
        <location filename="../src/ui/MediaInfoView.cpp" line="+93"/>
        <source>MediaInfo</source>
        <extracomment>The media summary, as the MediaInfo tool reads the file</extracomment>
        <translation>MediaInfo</translation>
    </message>
</context>
<context>
    <name>MediaProbe</name>
    <message>
        <location filename="../src/media/MediaProbe.cpp" line="+47"/>
        <source>not a media file</source>
        <translation>не медиафайл</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>not a regular file</source>
        <translation>не обычный файл</translation>
    </message>
    <message>
        <location line="+119"/>
        <source>a folder, not a media file</source>
        <translation>папка, а не медиафайл</translation>
    </message>
    <message>
        <location line="+12"/>
        <location line="+16"/>
        <source>could not be probed</source>
        <translation>не удалось исследовать</translation>
    </message>
</context>
<context>
    <name>MovieItem</name>
    <message>
        <location filename="../src/library/MovieItem.cpp" line="+222"/>
        <source>Searching…</source>
        <translation>Поиск…</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Error: %1</source>
        <translation>Ошибка: %1</translation>
    </message>
    <message>
        <location line="+181"/>
        <source>No catalog match</source>
        <translation>Нет совпадения в каталогах</translation>
    </message>
</context>
<context>
    <name>NameBuilder</name>
    <message numerus="yes">
        <location filename="../src/library/NameBuilder.cpp" line="+239"/>
        <source>%1  ·  %n titles</source>
        <extracomment>A reply&apos;s best title, then how many titles the reply offers.</extracomment>
        <translation>
            <numerusform>%1  ·  %n название</numerusform>
            <numerusform>%1  ·  %n названия</numerusform>
            <numerusform>%1  ·  %n названий</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <location filename="../src/ui/WidgetDesktopServices.cpp" line="+58"/>
        <source>Video files (%1)</source>
        <translation>Видеофайлы (%1)</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>All files (*)</source>
        <translation>Все файлы (*)</translation>
    </message>
</context>
<context>
    <name>Rename</name>
    <message>
        <location filename="../src/library/RenamePlan.cpp" line="+63"/>
        <source>Not a valid file name: %1</source>
        <translation>Недопустимое имя файла: %1</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Not a valid folder name: %1</source>
        <translation>Недопустимое имя папки: %1</translation>
    </message>
    <message>
        <location line="+46"/>
        <source>“%1” couldn’t be renamed: %2</source>
        <translation>Не удалось переименовать «%1»: %2</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Target exists: %1</source>
        <translation>Файл уже существует: %1</translation>
    </message>
    <message>
        <location line="+14"/>
        <location line="+10"/>
        <source>Nothing to rename</source>
        <translation>Нечего переименовывать</translation>
    </message>
    <message>
        <location line="+110"/>
        <source>%1; “%2” is left as “%3”</source>
        <translation>%1; вместо «%2» осталось «%3»</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>%1; “%2” is left</source>
        <translation>%1; «%2» не удалено</translation>
    </message>
    <message>
        <location filename="../src/library/RenameSession.cpp" line="+142"/>
        <source>Nothing to undo: the renames were undone elsewhere</source>
        <translation>Нечего отменять: переименования уже отменены в другом месте</translation>
    </message>
    <message numerus="yes">
        <location line="+4"/>
        <source>Undone: %n file(s); %1 left where they are</source>
        <translation>
            <numerusform>Отменено: %n файл; осталось на месте: %1</numerusform>
            <numerusform>Отменено: %n файла; осталось на месте: %1</numerusform>
            <numerusform>Отменено: %n файлов; осталось на месте: %1</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <location line="+4"/>
        <source>Undone: %n file(s)</source>
        <translation>
            <numerusform>Отменено: %n файл</numerusform>
            <numerusform>Отменено: %n файла</numerusform>
            <numerusform>Отменено: %n файлов</numerusform>
        </translation>
    </message>
    <message>
        <location filename="../src/library/FileMover.cpp" line="+66"/>
        <source>This file system cannot rename without risking an existing file (%1)</source>
        <translation>Эта файловая система не позволяет переименовать, не рискуя существующим файлом (%1)</translation>
    </message>
    <message>
        <location filename="../src/library/RenameJournal.cpp" line="+64"/>
        <source>The rename journal %1 can’t be written: %2</source>
        <translation>Не удаётся записать журнал переименований %1: %2</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>not a regular file</source>
        <translation>это не обычный файл</translation>
    </message>
    <message>
        <location line="+366"/>
        <source>The rename journal %1 can’t be read: %2</source>
        <translation>Не удаётся прочитать журнал переименований %1: %2</translation>
    </message>
    <message>
        <location filename="../src/library/RenameUndo.cpp" line="+198"/>
        <source>its journal entry is no rename within a folder or to its subfolder</source>
        <translation>его запись в журнале — не переименование внутри папки или в её подпапку</translation>
    </message>
    <message>
        <location line="+147"/>
        <source>%1: no longer there; not moved back to %2</source>
        <translation>%1: файла уже нет на месте; прежнее имя %2 не возвращено</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>%1: left where it is; its old name %2 is taken</source>
        <translation>%1: оставлен на месте; прежнее имя %2 занято</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>%1: not moved back: %2</source>
        <translation>%1: не возвращён: %2</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>%1: not undone, the file at the new name is not the one renamed</source>
        <translation>%1: не отменено, под новым именем лежит другой файл</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>%1: not undone, %2</source>
        <translation>%1: не отменено, %2</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>%1: left where it is with %2, which is not moved back</source>
        <translation>%1: оставлен на месте вместе с %2, который не возвращён</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>%1: not undone, the undo was interrupted</source>
        <translation>%1: не отменено, отмена была прервана</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>%1: folder kept, it holds other files</source>
        <translation>%1: папка оставлена, в ней есть другие файлы</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>%1: kept, changed since it was written</source>
        <translation>%1: оставлен, изменён после записи</translation>
    </message>
</context>
<context>
    <name>RowStyle</name>
    <message>
        <location filename="../src/ui/RowStyle.cpp" line="+61"/>
        <source>%1: searching…</source>
        <translation>%1: поиск…</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>%1: %2 (chosen)</source>
        <translation>%1: %2 (выбран)</translation>
    </message>
</context>
<context>
    <name>TitlePickers</name>
    <message>
        <location filename="../src/ui/TitlePickers.cpp" line="+40"/>
        <source>Without [alt]</source>
        <translation>Без [альт]</translation>
    </message>
    <message>
        <location line="+185"/>
        <source>VK titles</source>
        <translation>Названия VK</translation>
    </message>
    <message numerus="yes">
        <location line="+1"/>
        <source>%n results — pick one</source>
        <translation>
            <numerusform>%n результат — выберите один</numerusform>
            <numerusform>%n результата — выберите один</numerusform>
            <numerusform>%n результатов — выберите один</numerusform>
        </translation>
    </message>
    <message>
        <location line="+7"/>
        <source>Alternate title</source>
        <translation>Другое название</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Include EN/original in rename, or title only</source>
        <translation>Добавить английское или оригинальное название в имя либо оставить одно название</translation>
    </message>
</context>
<context>
    <name>TransportError</name>
    <message>
        <location filename="../src/net/BodyDecoding.cpp" line="+224"/>
        <source>The server sent the response in an unsupported encoding (“%1”).</source>
        <translation>Сервер прислал ответ в неподдерживаемой кодировке («%1»).</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>The response could not be decoded: its %1 data is damaged or too large.</source>
        <translation>Не удалось декодировать ответ: его данные %1 повреждены или слишком велики.</translation>
    </message>
    <message>
        <location filename="../src/net/HttpTransport.cpp" line="+23"/>
        <source>The request timed out.</source>
        <translation>Время ожидания запроса истекло.</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>The request was cancelled.</source>
        <translation>Запрос отменён.</translation>
    </message>
    <message>
        <location line="+179"/>
        <source>A request header holds a line break.</source>
        <translation>Заголовок запроса содержит перевод строки.</translation>
    </message>
    <message>
        <location line="+17"/>
        <source>The response is too large.</source>
        <translation>Ответ слишком большой.</translation>
    </message>
    <message>
        <location line="+20"/>
        <source>The server redirected to an unsupported address.</source>
        <translation>Сервер перенаправил на неподдерживаемый адрес.</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>The server redirected too many times.</source>
        <translation>Сервер перенаправлял слишком много раз.</translation>
    </message>
</context>
<context>
    <name>tolvane</name>
    <message>
        <location filename="../src/app/main.cpp" line="+35"/>
        <source>Usage: tolvane [FILE|FOLDER]...
Opens the Tolvane window with these video files and folders in its list.

  --help     show this help
  --version  show the version
</source>
        <translation>Использование: tolvane [ФАЙЛ|ПАПКА]...
Открывает окно Tolvane с этими видеофайлами и папками в списке.

  --help     показать эту справку
  --version  показать версию
</translation>
    </message>
    <message>
        <location line="+43"/>
        <source>tolvane: unknown option %1
</source>
        <translation>tolvane: неизвестный параметр %1
</translation>
    </message>
</context>
<context>
    <name>tolvane::Actions</name>
    <message>
        <location filename="../src/ui/Actions.cpp" line="+60"/>
        <source>Open…</source>
        <translation>Открыть…</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Open Folder…</source>
        <translation>Открыть папку…</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Quit</source>
        <translation>Выход</translation>
    </message>
    <message>
        <location line="+1"/>
        <location line="+55"/>
        <source>Undo</source>
        <extracomment>%1 is the name of the edit the command takes back, e.g. Rename 3 Files</extracomment>
        <translation>Отменить</translation>
    </message>
    <message>
        <location line="-54"/>
        <location line="+59"/>
        <source>Redo</source>
        <extracomment>%1 is the name of the edit the command makes again, e.g. Rename 3 Files</extracomment>
        <translation>Повторить</translation>
    </message>
    <message>
        <location line="-57"/>
        <source>Lookup Selected</source>
        <translation>Найти выбранные</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Look the selected files up, or all when none is selected</source>
        <translation>Найти фильмы выбранных файлов, а если ничего не выбрано — всех</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Lookup</source>
        <extracomment>A short button label: look the films up</extracomment>
        <translation>Найти</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Check</source>
        <extracomment>Opens a web search to check the chosen film</extracomment>
        <translation>Проверить</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Open Google search for the chosen match</source>
        <translation>Открыть поиск Google по выбранному фильму</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Reveal in File Manager</source>
        <translation>Показать в файловом менеджере</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Reveal</source>
        <extracomment>A short button label: show the file in the file manager</extracomment>
        <translation>Показать</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Open</source>
        <extracomment>Opens the file itself, e.g. plays the film</extracomment>
        <translation>Открыть</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Open the file in its default application</source>
        <translation>Открыть файл в приложении по умолчанию</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Remove from List</source>
        <translation>Убрать из списка</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Rename</source>
        <translation>Переименовать</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Rename the selected files to their new names</source>
        <translation>Дать выбранным файлам новые имена</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Rename All Ready</source>
        <translation>Переименовать все готовые</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Rename every file that has a new name</source>
        <translation>Переименовать все файлы, для которых есть новое имя</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Settings…</source>
        <translation>Настройки…</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>About Tolvane</source>
        <translation>О программе Tolvane</translation>
    </message>
    <message>
        <location line="+30"/>
        <source>Undo %1</source>
        <translation>Отменить «%1»</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Redo %1</source>
        <translation>Повторить «%1»</translation>
    </message>
</context>
<context>
    <name>tolvane::ClickablePathView</name>
    <message>
        <location filename="../src/ui/ClickablePathView.cpp" line="+27"/>
        <source>Click a path segment to add it to Extra tokens</source>
        <translation>Нажмите на часть пути, чтобы добавить её к дополнительным словам</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Path</source>
        <translation>Путь</translation>
    </message>
    <message>
        <location line="+39"/>
        <source>Add “%1” to Extra tokens</source>
        <translation>Добавить «%1» к дополнительным словам</translation>
    </message>
</context>
<context>
    <name>tolvane::DetailPanel</name>
    <message>
        <location filename="../src/ui/DetailPanel.cpp" line="+44"/>
        <source>Detail</source>
        <translation>Подробности</translation>
    </message>
    <message>
        <location line="+16"/>
        <source>Path</source>
        <translation>Путь</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Search query</source>
        <translation>Поисковый запрос</translation>
    </message>
    <message>
        <location line="+5"/>
        <location line="+4"/>
        <source>Extra tokens</source>
        <translation>Дополнительные слова</translation>
    </message>
    <message>
        <location line="-2"/>
        <source>year, director…</source>
        <translation>год, режиссёр…</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Appended to the stem for all engines, e.g. “1976” or “Vessarin”</source>
        <translation>Добавляются к запросу для всех поисковиков, например «1976» или «Vessarin»</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Effective query</source>
        <translation>Итоговый запрос</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Search engines</source>
        <translation>Поисковики</translation>
    </message>
    <message>
        <location line="+15"/>
        <source>Chosen</source>
        <translation>Выбрано</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Check</source>
        <extracomment>Opens a web search to check the chosen film</extracomment>
        <translation>Проверить</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Check chosen match</source>
        <translation>Проверить выбранный фильм</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>New name</source>
        <translation>Новое имя</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Moved to</source>
        <translation>Переносится в</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Files moved along</source>
        <translation>Файлы, переносимые вместе с ним</translation>
    </message>
    <message>
        <location line="+6"/>
        <location line="+3"/>
        <location line="+216"/>
        <source>Name postfix</source>
        <translation>Суффикс имени</translation>
    </message>
    <message>
        <location line="-212"/>
        <location line="+3"/>
        <source>Override</source>
        <extracomment>Name the file after the postfix alone, in place of the title</extracomment>
        <translation>Только суффикс</translation>
    </message>
    <message>
        <location line="-1"/>
        <source>Use postfix alone as the new file name</source>
        <translation>Сделать новым именем файла один суффикс</translation>
    </message>
    <message>
        <location line="+20"/>
        <source>MediaInfo</source>
        <translation>MediaInfo</translation>
    </message>
    <message>
        <location line="+24"/>
        <source>Add “%1” to Extra Tokens</source>
        <translation>Добавить „%1“ к дополнительным словам</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Edit Extra Tokens</source>
        <translation>Изменить дополнительные слова</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Edit Name Postfix</source>
        <translation>Изменить суффикс имени</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>Use Postfix as Name</source>
        <translation>Суффикс вместо имени</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Use Title as Name</source>
        <translation>Название в имени</translation>
    </message>
    <message>
        <location line="+72"/>
        <source>Use %1</source>
        <extracomment>The name of an edit: %1 is the search engine whose film is used</extracomment>
        <translation>Выбрать %1</translation>
    </message>
    <message>
        <location line="+13"/>
        <source>Pick “%1”</source>
        <translation>Выбрать „%1“</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>Pick Alternative “%1”</source>
        <translation>Выбрать другое название „%1“</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Clear Alternative Title</source>
        <translation>Убрать другое название</translation>
    </message>
    <message>
        <location line="+21"/>
        <source>Not searched yet — Lookup Selected</source>
        <translation>Ещё не искали — «Найти выбранные»</translation>
    </message>
    <message>
        <location line="+16"/>
        <source>Open Google search for “%1”</source>
        <translation>Открыть поиск Google по «%1»</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>(enter postfix)</source>
        <translation>(введите суффикс)</translation>
    </message>
    <message>
        <location line="+9"/>
        <location line="+4"/>
        <source>Edition</source>
        <extracomment>A film&apos;s edition, as media servers name it: Director&apos;s Cut, Extended…</extracomment>
        <translation>Версия</translation>
    </message>
    <message>
        <location line="-1"/>
        <source>full name</source>
        <translation>полное имя</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>optional</source>
        <translation>необязательно</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Override: file name is only this postfix + extension</source>
        <translation>Только суффикс: имя файла — этот суффикс и расширение</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>The film&apos;s edition, e.g. Director&apos;s Cut; empty for none</source>
        <translation>Версия фильма, например Director&apos;s Cut; пусто — без версии</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Appended after year: Title[Alt](Year)_postfix.ext</source>
        <translation>Добавляется после года: Название[Альт](Год)_суффикс.ext</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Catalog: %1</source>
        <translation>Каталог: %1</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>Query: %1</source>
        <translation>Запрос: %1</translation>
    </message>
</context>
<context>
    <name>tolvane::EngineReplyRow</name>
    <message>
        <location filename="../src/ui/EngineReplyRow.cpp" line="+26"/>
        <source>chosen</source>
        <translation>выбран</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Check</source>
        <extracomment>Opens a web search to check this engine&apos;s film</extracomment>
        <translation>Проверить</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Use</source>
        <extracomment>Makes this engine&apos;s film the one the file is named after</extracomment>
        <translation>Выбрать</translation>
    </message>
    <message numerus="yes">
        <location line="+39"/>
        <source>Pick (%n)</source>
        <extracomment>Opens the list of the films found, to pick another; %n is their count</extracomment>
        <translation>
            <numerusform>Список (%n)</numerusform>
            <numerusform>Список (%n)</numerusform>
            <numerusform>Список (%n)</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <location line="+2"/>
        <source>Pick, %n %1 titles</source>
        <extracomment>%1 is the search engine&apos;s name</extracomment>
        <translation>
            <numerusform>Список: %n название %1</numerusform>
            <numerusform>Список: %n названия %1</numerusform>
            <numerusform>Список: %n названий %1</numerusform>
        </translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Alt…</source>
        <extracomment>Alt: the alternative title added to the name in brackets</extracomment>
        <translation>Альт…</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Alt: off</source>
        <translation>Альт: нет</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Alternative title of %1: %2</source>
        <translation>Другое название от %1: %2</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>off</source>
        <translation>нет</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Check %1</source>
        <translation>Проверить %1</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Use %1</source>
        <translation>Выбрать %1</translation>
    </message>
</context>
<context>
    <name>tolvane::LibraryModel</name>
    <message>
        <location filename="../src/library/LibraryModel.cpp" line="-202"/>
        <source>Drop a movie file or a folder</source>
        <translation>Перетащите сюда видеофайл или папку</translation>
    </message>
    <message>
        <location line="+146"/>
        <source>Looking for video files…</source>
        <translation>Поиск видеофайлов…</translation>
    </message>
    <message>
        <location line="+19"/>
        <source>No video files found</source>
        <translation>Видеофайлы не найдены</translation>
    </message>
    <message numerus="yes">
        <location line="+2"/>
        <source>No video files in drop (%n non-video skipped)</source>
        <translation>
            <numerusform>Среди выбранного нет видеофайлов (пропущен %n другой файл)</numerusform>
            <numerusform>Среди выбранного нет видеофайлов (пропущено %n других файла)</numerusform>
            <numerusform>Среди выбранного нет видеофайлов (пропущено %n других файлов)</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <location line="+2"/>
        <source>%n file(s) — Lookup</source>
        <translation>
            <numerusform>%n файл — нажмите «Найти»</numerusform>
            <numerusform>%n файла — нажмите «Найти»</numerusform>
            <numerusform>%n файлов — нажмите «Найти»</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <location line="+3"/>
        <source>%n file(s) from %1 items — Lookup</source>
        <extracomment>%1 is the number of files and folders dropped or chosen</extracomment>
        <translation>
            <numerusform>%n файл (выбрано объектов: %1) — нажмите «Найти»</numerusform>
            <numerusform>%n файла (выбрано объектов: %1) — нажмите «Найти»</numerusform>
            <numerusform>%n файлов (выбрано объектов: %1) — нажмите «Найти»</numerusform>
        </translation>
    </message>
    <message>
        <location line="+213"/>
        <source>Nothing to rename</source>
        <translation>Нечего переименовывать</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>Already named: %1</source>
        <translation>Файл уже так назван: %1</translation>
    </message>
    <message>
        <location line="+22"/>
        <source>Renamed → %1</source>
        <translation>Переименовано → %1</translation>
    </message>
    <message>
        <location line="+24"/>
        <source>No files to look up</source>
        <translation>Нет файлов для поиска</translation>
    </message>
    <message numerus="yes">
        <location line="+7"/>
        <source>Looking up %n selected…</source>
        <translation>
            <numerusform>Поиск по %n выбранному файлу…</numerusform>
            <numerusform>Поиск по %n выбранным файлам…</numerusform>
            <numerusform>Поиск по %n выбранным файлам…</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <location line="+0"/>
        <source>Looking up %n all…</source>
        <translation>
            <numerusform>Поиск по всем файлам (%n)…</numerusform>
            <numerusform>Поиск по всем файлам (%n)…</numerusform>
            <numerusform>Поиск по всем файлам (%n)…</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <location line="+45"/>
        <source>Looking up… %n running, %1 ready</source>
        <translation>
            <numerusform>Поиск… в работе: %n, готово: %1</numerusform>
            <numerusform>Поиск… в работе: %n, готово: %1</numerusform>
            <numerusform>Поиск… в работе: %n, готово: %1</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <location line="+2"/>
        <source>%n file(s) — select rows and Lookup</source>
        <translation>
            <numerusform>%n файл — выберите строки и нажмите «Найти»</numerusform>
            <numerusform>%n файла — выберите строки и нажмите «Найти»</numerusform>
            <numerusform>%n файлов — выберите строки и нажмите «Найти»</numerusform>
        </translation>
    </message>
    <message>
        <location line="+2"/>
        <source>%1 ready, %2 failed, %3 not searched — select &amp; Lookup</source>
        <translation>Готово: %1, ошибок: %2, без поиска: %3 — выберите строки и нажмите «Найти»</translation>
    </message>
</context>
<context>
    <name>tolvane::MainWindow</name>
    <message>
        <location filename="../src/ui/MainWindow.cpp" line="+153"/>
        <source>no Yandex AI key</source>
        <translation>нет ключа Yandex AI</translation>
    </message>
    <message>
        <location line="+17"/>
        <source>Drop zone</source>
        <translation>Область для перетаскивания</translation>
    </message>
    <message>
        <location line="+9"/>
        <location line="+78"/>
        <source>Folder</source>
        <translation>Папка</translation>
    </message>
    <message>
        <location line="-74"/>
        <source>Drop files and/or folders</source>
        <translation>Перетащите сюда файлы и папки</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Any mix of videos and folders (folders scan recursively)
Lookup → rename to: Title_(Year).ext</source>
        <translation>Видео и папки вперемешку (папки просматриваются со всеми вложенными)
Найти → переименовать в: Название_(Год).ext</translation>
    </message>
    <message>
        <location line="+18"/>
        <source>Files</source>
        <translation>Файлы</translation>
    </message>
    <message>
        <location line="+14"/>
        <source>Detail</source>
        <translation>Подробности</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Select a file</source>
        <translation>Выберите файл</translation>
    </message>
    <message>
        <location line="+26"/>
        <source>Status</source>
        <translation>Состояние</translation>
    </message>
    <message>
        <location line="+19"/>
        <source>&amp;File</source>
        <translation>&amp;Файл</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>&amp;Edit</source>
        <translation>&amp;Правка</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>&amp;Help</source>
        <translation>&amp;Справка</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>About Tolvane</source>
        <translation>О программе Tolvane</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>&lt;b&gt;Tolvane %1&lt;/b&gt;&lt;p&gt;Renames the video files of a movie library after the films they hold.&lt;/p&gt;&lt;p&gt;Released under the MIT licence.&lt;/p&gt;</source>
        <translation>&lt;b&gt;Tolvane %1&lt;/b&gt;&lt;p&gt;Даёт видеофайлам фильмотеки имена фильмов, которые в них записаны.&lt;/p&gt;&lt;p&gt;Распространяется по лицензии MIT.&lt;/p&gt;</translation>
    </message>
    <message numerus="yes">
        <location line="+148"/>
        <source>%n selected</source>
        <extracomment>The count of the files selected in the list</extracomment>
        <translation>
            <numerusform>выбран %n файл</numerusform>
            <numerusform>выбрано %n файла</numerusform>
            <numerusform>выбрано %n файлов</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>tolvane::SettingsDialog</name>
    <message>
        <location filename="../src/ui/SettingsDialog.cpp" line="+152"/>
        <location line="+10"/>
        <source>Settings</source>
        <translation>Настройки</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Yandex AI Studio</source>
        <translation>Yandex AI Studio</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Primary lookup uses a saved prompt via Responses API (&lt;code&gt;/v1/responses&lt;/code&gt;).</source>
        <translation>Основной поиск идёт по сохранённому промпту через Responses API (&lt;code&gt;/v1/responses&lt;/code&gt;).</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Primary lookup uses a saved prompt via Responses API (/v1/responses).</source>
        <translation>Основной поиск идёт по сохранённому промпту через Responses API (/v1/responses).</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>API key</source>
        <translation>API-ключ</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Folder ID (OpenAI-Project)</source>
        <translation>ID каталога (OpenAI-Project)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Prompt ID</source>
        <translation>ID промпта</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Endpoint URL</source>
        <translation>URL эндпоинта</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>Copy Agent System Prompt</source>
        <translation>Копировать системный промпт агента</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Copy prompt.md (agent system prompt) to the clipboard</source>
        <translation>Скопировать prompt.md (системный промпт агента) в буфер обмена</translation>
    </message>
    <message>
        <location line="+5"/>
        <location line="+3"/>
        <source>Open Yandex AI Studio…</source>
        <translation>Открыть Yandex AI Studio…</translation>
    </message>
    <message>
        <location line="+13"/>
        <location line="+9"/>
        <source>Browser cookies</source>
        <translation>Куки браузера</translation>
    </message>
    <message>
        <location line="-8"/>
        <source>Use browser cookies for DuckDuckGo / VK</source>
        <translation>Использовать куки браузера для DuckDuckGo / VK</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Reads Firefox&apos;s cookies, or a Cookies.binarycookies file, for web engines.</source>
        <translation>Читает куки Firefox или файл Cookies.binarycookies для поиска в интернете.</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>Reload cookies</source>
        <translation>Перечитать куки</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Open Cookie Folder…</source>
        <translation>Открыть папку с куки…</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>Rename subtitles and .nfo files with the video</source>
        <translation>Переименовывать субтитры и файлы .nfo вместе с видео</translation>
    </message>
    <message>
        <location line="+10"/>
        <location line="+2"/>
        <source>Library layout</source>
        <translation>Структура библиотеки</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Flat — Title[Alt](Year).ext</source>
        <translation>Плоская — Название[Альт](Год).ext</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Jellyfin</source>
        <translation>Jellyfin</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Plex</source>
        <translation>Plex</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Kodi</source>
        <translation>Kodi</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Put each film in a folder of its own</source>
        <translation>Помещать каждый фильм в отдельную папку</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Write an .nfo file for media servers</source>
        <translation>Создавать файл .nfo для медиасерверов</translation>
    </message>
    <message>
        <location line="+19"/>
        <location line="+3"/>
        <source>Language</source>
        <translation>Язык</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>System</source>
        <extracomment>The interface language: the one the desktop session uses</extracomment>
        <translation>Как в системе</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Applies at the next start</source>
        <translation>Вступит в силу при следующем запуске</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>Reset</source>
        <translation>Сброс</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Clears API keys and preferences, then restarts the app.</source>
        <translation>Удаляет API-ключи и настройки, затем перезапускает приложение.</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Reset Settings &amp;&amp; Restart…</source>
        <translation>Сбросить настройки и перезапустить…</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Not saved</source>
        <translation>Не сохранено</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>Cancel</source>
        <translation>Отмена</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Save</source>
        <translation>Сохранить</translation>
    </message>
    <message>
        <location line="+51"/>
        <source>Copied to clipboard — paste into Yandex AI Studio</source>
        <translation>Скопировано в буфер обмена — вставьте в Yandex AI Studio</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Could not load bundled prompt.md</source>
        <translation>Не удалось загрузить встроенный prompt.md</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>Reset all settings?</source>
        <translation>Сбросить все настройки?</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Yandex AI keys and other preferences will be cleared. The app will restart.</source>
        <translation>Ключи Yandex AI и другие настройки будут удалены. Приложение перезапустится.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Reset &amp;&amp; Restart</source>
        <translation>Сбросить и перезапустить</translation>
    </message>
</context>
<context>
    <name>tolvane::cli</name>
    <message>
        <location filename="../src/cli/CookiesCommand.cpp" line="+28"/>
        <source>Source: Firefox profile %1: %2</source>
        <translation>Источник: профиль Firefox %1: %2</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Source: Cookies.binarycookies: %1</source>
        <translation>Источник: Cookies.binarycookies: %1</translation>
    </message>
    <message>
        <location line="+38"/>
        <source>Loads the browser&apos;s cookies as a lookup does (unless useSafariCookies is off): Safari&apos;s
cookie file where there is one, else the default Firefox profile&apos;s cookies.sqlite. Prints
the status line and the file read. With --header URL, also prints the Cookie header that
requests to URL carry; nothing when no cookie applies.</source>
        <translation>Загружает куки браузера так же, как это делает поиск (если useSafariCookies не выключен): файл
куки Safari, если он есть, иначе cookies.sqlite профиля Firefox по умолчанию. Выводит строку
состояния и прочитанный файл. С --header URL выводит также заголовок Cookie, который несут
запросы к URL; ничего, если ни одна куки не подходит.</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>Also print the Cookie header for URL.</source>
        <translation>Вывести также заголовок Cookie для URL.</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>unexpected argument “%1”</source>
        <translation>лишний аргумент «%1»</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>--header expects a URL with a host, such as https://example.com/, not “%1”</source>
        <translation>--header ожидает URL с именем узла, например https://example.com/, а не «%1»</translation>
    </message>
    <message>
        <location filename="../src/cli/HistoryCommand.cpp" line="+94"/>
        <source>takes no arguments</source>
        <translation>не принимает аргументов</translation>
    </message>
    <message>
        <location line="+40"/>
        <source>Lists the renames in the journal, newest first: when, how many files, in which folder,
and whether they were undone. The journal is %1.</source>
        <translation>Выводит переименования из журнала, сначала новые: когда, сколько файлов, в какой папке
и были ли они отменены. Журнал: %1.</translation>
    </message>
    <message>
        <location line="+30"/>
        <source>No renames yet</source>
        <translation>Переименований пока нет</translation>
    </message>
    <message numerus="yes">
        <location line="+9"/>
        <source>%1  %n file(s)  %2</source>
        <extracomment>A rename in the history: its time, how many files, its folder; keep the double spaces</extracomment>
        <translation>
            <numerusform>%1  %n файл  %2</numerusform>
            <numerusform>%1  %n файла  %2</numerusform>
            <numerusform>%1  %n файлов  %2</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <location line="+3"/>
        <source>  cut short: %n move(s) unconfirmed</source>
        <translation>
            <numerusform>  прервано: %n перемещение не подтверждено</numerusform>
            <numerusform>  прервано: %n перемещения не подтверждены</numerusform>
            <numerusform>  прервано: %n перемещений не подтверждено</numerusform>
        </translation>
    </message>
    <message>
        <location line="+2"/>
        <source>  undo of %1</source>
        <translation>  отменяет: %1</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>an older batch</source>
        <translation>более раннее переименование</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>  (undone)</source>
        <translation>  (отменено)</translation>
    </message>
    <message numerus="yes">
        <location line="+2"/>
        <source>  (partly undone: %1 of %n file(s) back)</source>
        <translation>
            <numerusform>  (отменено частично: возвращено %1 из %n файла)</numerusform>
            <numerusform>  (отменено частично: возвращено %1 из %n файлов)</numerusform>
            <numerusform>  (отменено частично: возвращено %1 из %n файлов)</numerusform>
        </translation>
    </message>
    <message>
        <location line="+12"/>
        <source>Moves the files of the newest rename not yet undone back to their old names, newest move
first, a video and its companion files together or not at all. Nothing is ever replaced: a
file no longer at its new name, another file there, or an old name taken keeps its video&apos;s
files where they are, named. Exits with 1 when a file stayed, else 0; with 130 when
interrupted, after the video in progress. An undo is never undone; a rename stays to be
undone (&quot;partly undone&quot;) until every file is back, then the next undo takes the next older.</source>
        <translation>Возвращает файлам последнего ещё не отменённого переименования прежние имена, начиная с последнего
перемещения; видео и его сопутствующие файлы — вместе или никак. Ничто не заменяется: если файла
уже нет под новым именем, там лежит другой файл или прежнее имя занято, файлы этого видео остаются
на месте под новыми именами. Код выхода 1, если какой-то файл остался, иначе 0; 130 при прерывании,
после видео, которое обрабатывалось. Отмена никогда не отменяется; переименование остаётся
к отмене («отменено частично»), пока не вернутся все файлы, затем отмена берёт следующее, более раннее.</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>Show what would move back; move nothing.</source>
        <translation>Показать, что было бы возвращено; ничего не перемещать.</translation>
    </message>
    <message>
        <location line="+17"/>
        <source>Nothing to undo</source>
        <translation>Нечего отменять</translation>
    </message>
    <message numerus="yes">
        <location line="+2"/>
        <source>Would undo: %n file(s) of %1</source>
        <translation>
            <numerusform>Будет отменено: %n файл (переименование от %1)</numerusform>
            <numerusform>Будет отменено: %n файла (переименование от %1)</numerusform>
            <numerusform>Будет отменено: %n файлов (переименование от %1)</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <location line="+2"/>
        <source>Undone: %n file(s) of %1</source>
        <translation>
            <numerusform>Отменено: %n файл (переименование от %1)</numerusform>
            <numerusform>Отменено: %n файла (переименование от %1)</numerusform>
            <numerusform>Отменено: %n файлов (переименование от %1)</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <location line="+3"/>
        <source>%1; %n left where they are</source>
        <extracomment>Follows &quot;Undone: 3 file(s) of TIME&quot; (%1); %n files stayed under their new names</extracomment>
        <translation>
            <numerusform>%1; %n остался на месте</numerusform>
            <numerusform>%1; %n остались на месте</numerusform>
            <numerusform>%1; %n осталось на месте</numerusform>
        </translation>
    </message>
    <message>
        <location line="+46"/>
        <source>removed %1</source>
        <extracomment>A folder or .nfo file the rename made, removed by the undo</extracomment>
        <translation>удалено: %1</translation>
    </message>
    <message>
        <location line="+11"/>
        <source>interrupted; %1 moved back, %2 left under their new names</source>
        <translation>прервано; возвращено файлов: %1, оставлено под новыми именами: %2</translation>
    </message>
    <message>
        <location filename="../src/cli/LookupCommand.cpp" line="+168"/>
        <source>alreadyNamed</source>
        <extracomment>A rename&apos;s outcome in the text output, &quot;rename: OUTCOME → NAME&quot;: the file already has the name</extracomment>
        <translation>уже так назван</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>renamed</source>
        <translation>переименован</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>planned</source>
        <extracomment>A rename&apos;s outcome in a dry run: to be renamed</extracomment>
        <translation>будет переименован</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>failed</source>
        <translation>ошибка</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>skipped</source>
        <translation>пропущен</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>not reached</source>
        <translation>не дошла очередь</translation>
    </message>
    <message>
        <location line="+101"/>
        <source>  status: %1</source>
        <extracomment>A row&apos;s lookup status in the text output of lookup and rename; keep the two leading spaces</extracomment>
        <translation>  состояние: %1</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>  proposed: %1</source>
        <extracomment>The name a row&apos;s lookup proposes, or -; keep the two leading spaces</extracomment>
        <translation>  предложено: %1</translation>
    </message>
    <message>
        <location line="+11"/>
        <source>  rename: %1</source>
        <extracomment>A row&apos;s rename outcome; keep the two leading spaces</extracomment>
        <translation>  переименование: %1</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>    make: %1</source>
        <extracomment>The folder a rename makes; keep the four leading spaces</extracomment>
        <translation>    создать: %1</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>    with: %1 → %2</source>
        <extracomment>A file that moves with the video (subtitles, .nfo, images); keep the four leading spaces</extracomment>
        <translation>    вместе: %1 → %2</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>    write: %1</source>
        <extracomment>The .nfo file a rename writes; keep the four leading spaces</extracomment>
        <translation>    записать: %1</translation>
    </message>
    <message>
        <location line="+13"/>
        <source>the AI agent is skipped: no API key is set; store one with “%1”</source>
        <translation>ИИ-агент пропущен: не задан API-ключ; сохраните его командой «%1»</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>the AI agent is skipped: no folder ID is set; store one with “%1”</source>
        <translation>ИИ-агент пропущен: не задан ID каталога; сохраните его командой «%1»</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>the AI agent is skipped: no prompt ID is set; store one with “%1”</source>
        <translation>ИИ-агент пропущен: не задан ID промпта; сохраните его командой «%1»</translation>
    </message>
    <message>
        <location line="+52"/>
        <location line="+5"/>
        <source>%1 / %2 looked up</source>
        <translation>поиск: %1 из %2</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>interrupted; nothing was renamed</source>
        <translation>прервано; ничего не переименовано</translation>
    </message>
    <message>
        <location line="+55"/>
        <source>interrupted; %1 renamed, %2 left under their names</source>
        <translation>прервано; переименовано файлов: %1, оставлено под прежними именами: %2</translation>
    </message>
    <message>
        <location line="+23"/>
        <source>Looks every video file up, then renames those with a proposed name (in a server
layout, into the film&apos;s own folder unless filmFolders is false), with the subtitles,
.nfo and image files that share the video&apos;s name (unless the setting
moveCompanionFiles is false), and writes an .nfo file when writeNfo is true. A file
already named so is left as it is. Every run is journalled: &quot;tolvane-cli undo&quot; takes it
back. An existing file is never replaced. Exits with 1 when a file could not be
renamed (or, with --dry-run, would not be), its lookup failed or a path does not
exist, with 130 when interrupted: during the lookups nothing is renamed, during the
renames the one in progress completes.</source>
        <translation>Ищет каждый видеофайл, затем переименовывает те, для которых предложено имя (в структуре
медиасервера — в собственную папку фильма, если filmFolders не false), вместе с субтитрами,
файлами .nfo и изображениями с тем же именем, что у видео (если настройка moveCompanionFiles
не false), и создаёт файл .nfo, если writeNfo равна true. Файл, который уже так назван,
остаётся как есть. Каждый запуск записывается в журнал: «tolvane-cli undo» отменяет его.
Существующий файл никогда не заменяется. Код выхода 1, если файл не удалось переименовать
(или, с --dry-run, не удалось бы), его поиск не удался или путь не существует; 130 при
прерывании: во время поиска ничего не переименовывается, во время переименования текущее
завершается.</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>Looks every video file up through the AI agent, VK Video and DuckDuckGo and shows
each file&apos;s replies and proposed name. Exits with 1 when a file ends without a
proposed name or a path does not exist, with 130 when interrupted.</source>
        <translation>Ищет каждый видеофайл через ИИ-агента, VK Video и DuckDuckGo и показывает ответы
и предложенное имя каждого файла. Код выхода 1, если для файла не нашлось имени или
путь не существует; 130 при прерывании.</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Show the planned renames only.</source>
        <translation>Только показать намеченные переименования.</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Name the films in LAYOUT (flat, jellyfin, plex or kodi) for this run, over the setting libraryLayout.</source>
        <translation>Называть фильмы в структуре LAYOUT (flat, jellyfin, plex или kodi) в этом запуске, вместо настройки libraryLayout.</translation>
    </message>
    <message>
        <location line="+8"/>
        <location filename="../src/cli/ScanCommand.cpp" line="+85"/>
        <source>Video files and folders.</source>
        <translation>Видеофайлы и папки.</translation>
    </message>
    <message>
        <location line="+7"/>
        <location filename="../src/cli/ScanCommand.cpp" line="+5"/>
        <source>expected at least one PATH</source>
        <translation>нужен хотя бы один PATH</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>--layout expects flat, jellyfin, plex or kodi, not “%1”</source>
        <translation>--layout ожидает flat, jellyfin, plex или kodi, а не «%1»</translation>
    </message>
    <message>
        <location filename="../src/cli/main.cpp" line="+19"/>
        <source>Usage: tolvane-cli COMMAND [OPTIONS] [ARGS]</source>
        <translation>Использование: tolvane-cli COMMAND [ПАРАМЕТРЫ] [АРГУМЕНТЫ]</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Renames the video files of a movie library after the films they hold.</source>
        <translation>Даёт видеофайлам фильмотеки имена фильмов, которые в них записаны.</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Commands:
  scan [--json] PATH...      list the video files the app would take from these paths
  settings [KEY VALUE]       show the settings, or store one
  cookies [--json] [--header URL]
                             load the browser&apos;s cookie file and show its status
  probe [--json] FILE...     show the technical summary of each video file
  lookup [--json] PATH...    look every video file up and show the proposed names
  rename [--json] [--dry-run] PATH...
                             look every video file up and rename those with a match
  history [--json]           list the renames, newest first
  undo [--dry-run] [--json]  move the files of the newest rename back</source>
        <extracomment>Keep the command and option names, the placeholders and the column where the descriptions start.</extracomment>
        <translation>Команды:
  scan [--json] PATH...      список видеофайлов, которые приложение возьмёт из этих путей
  settings [KEY VALUE]       показать настройки или сохранить одну из них
  cookies [--json] [--header URL]
                             загрузить файл куки браузера и показать его состояние
  probe [--json] FILE...     показать технические сведения о каждом видеофайле
  lookup [--json] PATH...    найти каждый видеофайл и показать предложенные имена
  rename [--json] [--dry-run] PATH...
                             найти каждый видеофайл и переименовать найденные
  history [--json]           список переименований, сначала новые
  undo [--dry-run] [--json]  вернуть прежние имена файлам последнего переименования</translation>
    </message>
    <message>
        <location line="+12"/>
        <source>Options:
  -h, --help                 show this help
  --version                  show the version</source>
        <extracomment>Keep the option names and the column where the descriptions start.</extracomment>
        <translation>Параметры:
  -h, --help                 показать эту справку
  --version                  показать версию</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Run &quot;tolvane-cli COMMAND --help&quot; for the options of a command.</source>
        <translation>Параметры команды: «tolvane-cli COMMAND --help».</translation>
    </message>
    <message>
        <location line="+61"/>
        <source>unknown command “%1”; expected one of: scan, settings, cookies, probe, lookup, rename, history, undo</source>
        <translation>неизвестная команда «%1»; ожидается одна из: scan, settings, cookies, probe, lookup, rename, history, undo</translation>
    </message>
    <message>
        <location filename="../src/cli/Output.cpp" line="+55"/>
        <source>Print one JSON object instead of text.</source>
        <translation>Вывести один объект JSON вместо текста.</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>Displays help on commandline options.</source>
        <translation>Вывод справки по параметрам командной строки.</translation>
    </message>
    <message>
        <location filename="../src/cli/ProbeCommand.cpp" line="+107"/>
        <source>Prints the technical summary of each file as the app shows it, taken from mediainfo,
else ffprobe, else libavformat: the file&apos;s path, then one &quot;  key: value&quot; line per row.
A file that cannot be probed (missing, a folder, no media) is named on standard error,
and the command then exits with status 1.</source>
        <translation>Выводит технические сведения о каждом файле так, как их показывает приложение, из mediainfo,
иначе из ffprobe, иначе из libavformat: путь файла, затем по строке «  ключ: значение» на
каждый пункт. Файл, который не удалось исследовать (нет такого, это папка, нет медиаданных),
называется в стандартном потоке ошибок, и команда завершается с кодом 1.</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>Media files.</source>
        <translation>Медиафайлы.</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>expected at least one FILE</source>
        <translation>нужен хотя бы один FILE</translation>
    </message>
    <message>
        <location filename="../src/cli/ScanCommand.cpp" line="-11"/>
        <source>Takes the paths as one drop (folders are scanned recursively) and lists the video files found:
the status line, then one line per file: name, TAB, search text, TAB, year or -.
A path that does not exist is named on standard error, and the command then exits with 1.</source>
        <translation>Берёт пути как одно перетаскивание (папки просматриваются рекурсивно) и выводит найденные видеофайлы:
строку состояния, затем по строке на файл: имя, TAB, текст поиска, TAB, год или -.
Несуществующий путь называется в стандартном потоке ошибок, и команда завершается с кодом 1.</translation>
    </message>
    <message>
        <location filename="../src/cli/SettingsCommand.cpp" line="+47"/>
        <source>Without arguments, prints the settings as the app reads them (KEY, TAB, value; the API key
masked), then where the API key is kept: the keyring (Secret Service) where one answers, else
the settings file. With KEY VALUE, stores one setting as the settings window&apos;s Save does.
Keys: %1</source>
        <translation>Без аргументов выводит настройки так, как их читает приложение (KEY, TAB, значение; API-ключ
скрыт), затем где хранится API-ключ: в связке ключей (Secret Service), если она отвечает, иначе
в файле настроек. С KEY VALUE сохраняет одну настройку, как кнопка «Сохранить» окна настроек.
Ключи: %1</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Setting to store.</source>
        <translation>Сохраняемая настройка.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Value to store.</source>
        <translation>Сохраняемое значение.</translation>
    </message>
    <message>
        <location line="+22"/>
        <source>The API key is kept in %1.</source>
        <translation>Где хранится API-ключ: %1.</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>expected no arguments, or KEY VALUE</source>
        <translation>ожидается либо ничего, либо KEY VALUE</translation>
    </message>
    <message>
        <location line="+13"/>
        <source>%1 expects true or false, not “%2”</source>
        <translation>%1 ожидает true или false, а не «%2»</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>libraryLayout expects flat, jellyfin, plex or kodi, not “%1”</source>
        <translation>libraryLayout ожидает flat, jellyfin, plex или kodi, а не «%1»</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>language expects %1, not “%2”</source>
        <translation>language ожидает %1, а не «%2»</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>unknown key “%1”; expected one of: %2</source>
        <translation>неизвестный ключ «%1»; ожидается один из: %2</translation>
    </message>
</context>
</TS>
