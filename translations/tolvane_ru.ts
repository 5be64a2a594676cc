<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
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
</TS>
