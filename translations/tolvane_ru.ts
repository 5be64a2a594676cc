<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
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
    <name>MediaInfoView</name>
    <message>
        <location filename="../src/ui/MediaInfoView.cpp" line="+93"/>
        <source>MediaInfo</source>
        <extracomment>The media summary, as the MediaInfo tool reads the file</extracomment>
        <translation>MediaInfo</translation>
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
        <location filename="../src/library/LibraryModel.cpp" line="+22"/>
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
        <location line="+210"/>
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
</TS>
