#pragma once

// Every text that the user sees, exactly as the program shows it.

#include "common/version.h"

#include <QString>

namespace texts {

inline const QString WindowCaption = QStringLiteral("Zelvo-Viewer");
inline const QString ApplicationTitle = QStringLiteral("Zelvo Viewer");
inline const QString ExecutableName = QStringLiteral("Zelvoviewer");
inline const QString Version = QStringLiteral(ZELVO_VERSION);

inline const QString MenuRirekiCaption = QStringLiteral("ショートカット");
inline const QString MenuFilterCaption = QStringLiteral("フィルタ");
inline const QString SaveRireki = QStringLiteral("終了時に履歴を保存する");
inline const QString EtcFilter = QStringLiteral("その他...");
inline const QString Separator = QStringLiteral("-");
inline const QString Dummy = QStringLiteral("Dummy");

// Design-time history captions, full-width digits.
inline const QString RirekiPlaceholders[10] = {
    QStringLiteral("履歴１"), QStringLiteral("履歴２"), QStringLiteral("履歴３"), QStringLiteral("履歴４"),
    QStringLiteral("履歴５"), QStringLiteral("履歴６"), QStringLiteral("履歴７"), QStringLiteral("履歴８"),
    QStringLiteral("履歴９"), QStringLiteral("履歴１０"),
};
inline const QString NoRireki = QStringLiteral("履歴なし");
inline const QChar PlaceholderMark = QChar(0x5C65); // 履

inline const QString FilterCaptions[5] = {
    QStringLiteral("*.jpeg"), QStringLiteral("*.jpg"), QStringLiteral("*.gif"),
    QStringLiteral("*.png"), QStringLiteral("*.bmp"),
};
// The filter item for the picture formats newer than the five above, and
// the patterns it adds after theirs when ticked.
inline const QString OtherFormats = QStringLiteral("その他の画像形式");
inline const QString OtherFormatsPattern = QStringLiteral("*.heic;*.heif;*.avif;*.avifs;*.webp;*.tif;*.tiff;*.jxl;*.svg;*.svgz;"
    "*.dng;*.cr2;*.cr3;*.nef;*.nrw;*.arw;*.srf;*.raf;*.orf;*.rw2;*.pef;*.srw;*.kdc;*.3fr;*.iiq;*.erf;*.mrw;*.x3f");
// In the status bar when the file list is empty but the folder holds
// pictures of those formats; %1 is how many.
inline const QString OtherPicturesHint = QStringLiteral("ほかの形式の画像が %1 個あります（右クリックで表示）");
inline const QString StartupPattern = QStringLiteral("*.Jpeg;*.jpg;*.gif;*.png;*.bmp");
inline const QString FilterPrompt = QStringLiteral("「*.bmp」などの形で、フィルタを入力して下さい。");

inline const QString ReadFailed = QStringLiteral("読み込みに失敗しました。");
inline const QString Bytes = QStringLiteral(" バイト");
inline const QString KiloBytes = QStringLiteral(" KB");
inline const QString StatusSeparator = QStringLiteral(" - ");

inline const QString RirekiFileName = QStringLiteral("Rireki.dat");
inline const QString StartPageName = QStringLiteral("Default.htm");

// Shown when the history cannot be saved at exit; %1 is the file, %2 the reason.
inline const QString RirekiWriteFailed =
    QStringLiteral("履歴を保存できませんでした。\n\nファイル: %1\n理由: %2");

// Why the history could not be saved, for the message above.
inline const QString ReasonDiskFull = QStringLiteral("ディスクに空きがありません。");
inline const QString ReasonNoPermission = QStringLiteral("書き込む権限がありません。");
inline const QString ReasonReadOnly = QStringLiteral("読み取り専用の場所です。");
inline const QString ReasonTooLarge = QStringLiteral("ファイルの大きさの上限を超えました。");
inline const QString ReasonInputOutput = QStringLiteral("ディスクの読み書きに失敗しました。");
inline const QString ReasonNoFolder = QStringLiteral("フォルダ %1 を作れません。");
inline const QString ReasonOther = QStringLiteral("書き込めませんでした（エラー番号 %1）。");

// Why the history was not saved when its place holds no regular file.
inline const QString NotARegularFile = QStringLiteral("通常のファイルではありません（フォルダ、デバイス、FIFO などは置き換えません）。");

// The viewer's page for a file it cannot show; %1 is the path.
inline const QString CannotDisplayTitle = QStringLiteral("表示できません");
inline const QString CannotDisplayBody = QStringLiteral("このファイルは表示できません。");
// Why, under it.
inline const QString WhyUnknownFormat = QStringLiteral("画像の形式が分からないか、この形式には対応していません。");
inline const QString WhyDamaged = QStringLiteral("ファイルが壊れているか、途中で切れています。");
inline const QString WhyTooLarge = QStringLiteral("画像が大きすぎます（2 億画素まで表示します）。");
inline const QString WhyNoReadPermission = QStringLiteral("このファイルを読む権限がありません。");
inline const QString WhyNotAPicture = QStringLiteral("通常のファイルではありません（フォルダ、FIFO、デバイスなど）。");
inline const QString WhyUnsupported = QStringLiteral("この種類のファイル（連続画像や重ねた画像など）は、このバージョンでは表示できません。");
inline const QString WhyTookTooLong = QStringLiteral("読み込みに時間がかかりすぎたため、中止しました。");
inline const QString WhyTooMuchMemory = QStringLiteral("読み込みに必要なメモリが上限を超えたため、中止しました。");
inline const QString WhyDecoderFailed = QStringLiteral("画像を読み込む処理が途中で止まりました。ファイルが壊れている可能性があります。");
inline const QString WhyNoDecoder = QStringLiteral("画像を読み込むための補助プログラム（zelvo-decoder）を起動できません。");
// Over a zoomed picture whose sharp part cannot be decoded.
inline const QString CannotZoom = QStringLiteral("この画像はこれ以上鮮明に表示できません");
// Heads a page that was too long or too deeply built to show whole.
inline const QString PageCut = QStringLiteral("このページは長すぎるため、途中までしか表示していません。");

// What screen readers say for each part of the window, and when a picture
// appears (%1 is the file's name).
inline const QString AccessibleDrive = QStringLiteral("ドライブ");
inline const QString AccessibleDriveHelp = QStringLiteral("ドライブの一覧");
inline const QString AccessibleFolder = QStringLiteral("フォルダ");
inline const QString AccessibleFolderHelp =
    QStringLiteral("フォルダの一覧。Enter キーで開き、右クリックまたはメニューキーで履歴を出します");
inline const QString AccessibleFile = QStringLiteral("ファイル");
inline const QString AccessibleFileHelp =
    QStringLiteral("ファイルの一覧。右クリックまたはメニューキーで表示するファイルの種類を選びます");
inline const QString AccessiblePath = QStringLiteral("パス");
inline const QString AccessiblePathHelp = QStringLiteral("表示しているファイルのパス");
inline const QString AccessibleView = QStringLiteral("表示");
inline const QString AccessibleViewHelp = QStringLiteral("選んだ画像またはページ");
inline const QString AccessibleStatus = QStringLiteral("状態");
inline const QString AccessibleStatusHelp = QStringLiteral("選んだファイルの日付と大きさ");
inline const QString AccessiblePicture = QStringLiteral("画像");
inline const QString AccessiblePage = QStringLiteral("ページ");
inline const QString AccessibleFullScreen = QStringLiteral("全画面表示");
inline const QString PictureShown = QStringLiteral("%1 を表示しています");
inline const QString ZoomShown = QStringLiteral("%1%"); // the zoom, picture pixels to screen pixels
// A popup opened from the keyboard names its first item (%1), and a tick
// box's state.
inline const QString MenuFirstItem = QStringLiteral("最初の項目は %1");
inline const QString MenuItemTicked = QStringLiteral("%1（印あり）");
inline const QString MenuItemUnticked = QStringLiteral("%1（印なし）");
// A folder opened from the folder list: %1 its name, %2 how many files are listed.
inline const QString FolderOpened = QStringLiteral("%1 を開きました。ファイルは %2 個です");

// Acting on the chosen file: the picture's popup and its items.
inline const QString ActionsMenu = QStringLiteral("ファイルの操作");
inline const QString ActionTrash = QStringLiteral("ごみ箱へ移動");
inline const QString ActionDelete = QStringLiteral("完全に削除...");
inline const QString ActionMove = QStringLiteral("移動...");
inline const QString ActionCopy = QStringLiteral("コピー...");
inline const QString ActionRename = QStringLiteral("名前の変更...");
inline const QString ActionCopyPicture = QStringLiteral("画像をコピー");
inline const QString ActionCopyPath = QStringLiteral("パスをコピー");
inline const QString ActionUndo = QStringLiteral("元に戻す");
// The popup of folders to move or copy into, its last item, and the dialog
// that item opens.
inline const QString MoveMenu = QStringLiteral("移動先");
inline const QString CopyMenu = QStringLiteral("コピー先");
inline const QString ChooseFolder = QStringLiteral("フォルダを選ぶ...");
inline const QString MoveFolderTitle = QStringLiteral("移動先のフォルダ");
inline const QString CopyFolderTitle = QStringLiteral("コピー先のフォルダ");
// The rename dialog.
inline const QString RenameTitle = QStringLiteral("名前の変更");
inline const QString RenamePrompt = QStringLiteral("新しい名前:");
// Asking before a file is deleted for good; %1 is its name.
inline const QString DeleteTitle = QStringLiteral("完全に削除");
inline const QString DeleteQuestion = QStringLiteral("%1 を完全に削除しますか？\n削除したファイルは元に戻せません。");
inline const QString NoTrashQuestion = QStringLiteral(
    "%1 はごみ箱に移動できません（この場所で使えるごみ箱がありません）。\n"
    "完全に削除しますか？ 削除したファイルは元に戻せません。");
inline const QString DeleteButton = QStringLiteral("削除");
inline const QString CancelButton = QStringLiteral("キャンセル");
// What was done: %1 the file's name, %2 a folder or the new name.
inline const QString Trashed = QStringLiteral("%1 をごみ箱に移動しました。");
inline const QString Deleted = QStringLiteral("%1 を完全に削除しました。");
inline const QString Moved = QStringLiteral("%1 を %2 に移動しました。");
inline const QString Copied = QStringLiteral("%1 を %2 にコピーしました。");
inline const QString Renamed = QStringLiteral("%1 の名前を %2 に変更しました。");
inline const QString FreeNameTaken = QStringLiteral("同じ名前のファイルがあったため、%1 という名前にしました。");
inline const QString PictureCopied = QStringLiteral("%1 の画像をコピーしました。");
inline const QString PathCopied = QStringLiteral("%1 のパスをコピーしました。");
// What an undo did: %1 the file's name, %2 the folder it went back to.
inline const QString UndoneTrash = QStringLiteral("%1 をごみ箱から元に戻しました。");
inline const QString UndoneMove = QStringLiteral("%1 を %2 に戻しました。");
inline const QString UndoneRename = QStringLiteral("%1 の名前を元に戻しました。");
inline const QString UndoneCopy = QStringLiteral("%1 のコピーをごみ箱に移動しました。");
inline const QString NothingToUndo = QStringLiteral("元に戻す操作はありません。");
// A move or copy under way, in the status bar: %1 the file, %2 the folder, %3 how far, in percent.
inline const QString Moving = QStringLiteral("%1 を %2 に移動しています… %3%（Esc で取り消し）");
inline const QString Copying = QStringLiteral("%1 を %2 にコピーしています… %3%（Esc で取り消し）");
inline const QString TransferBusy = QStringLiteral("移動またはコピーの途中です。終わるまでお待ちください（Esc で取り消し）。");
// Why an action did nothing; %1 is the file's name. Every file stays as it was.
inline const QString ActionFailed = QStringLiteral("%1: %2");
inline const QString WhyVanished = QStringLiteral("ファイルが見つかりません（ほかで移動または削除されたようです）。");
inline const QString WhyNotAFile = QStringLiteral("通常のファイルではないため、この操作はできません（FIFO やデバイスは読みません）。");
inline const QString WhyNotWritable = QStringLiteral("このフォルダは変更できません（読み取り専用か、権限がありません）。");
inline const QString WhyNameTaken = QStringLiteral("その名前のファイルがすでにあります。何も変更していません。");
inline const QString WhyPlaceTaken = QStringLiteral("元の場所に同じ名前のファイルがあるため、元に戻せません。ファイルは %1 にあります。");
inline const QString WhyEmptyName = QStringLiteral("名前が空です。");
inline const QString WhySlashInName = QStringLiteral("名前に「/」は使えません。");
inline const QString WhyBadName = QStringLiteral("この名前は使えません。");
inline const QString WhyChanged = QStringLiteral("コピーの途中でファイルが変更されたため、何もしませんでした。");
inline const QString WhyDiskFull = QStringLiteral("ディスクに空きがありません。途中までのコピーは消しました。");
inline const QString WhyNoFolder = QStringLiteral("フォルダが見つかりません。");
inline const QString WhySameFolder = QStringLiteral("すでにこのフォルダにあります。");
inline const QString WhyNoTrash = QStringLiteral("この場所で使えるごみ箱がありません。");
inline const QString WhyCancelled = QStringLiteral("途中で取り消しました。元のファイルはそのままです。");
inline const QString WhyNotTheSameFile = QStringLiteral(
    "そこにあるのは、このウィンドウが移したファイルではありません（ごみ箱が空にされたか、ほかで置き換えられたようです）。何も変更していません。");
// Names the target's file system (FAT, exFAT, NTFS) refuses, said before anything is tried.
inline const QString WhyForbiddenCharacter =
    QStringLiteral("この場所のファイルシステム（FAT・exFAT・NTFS）では、名前に「%1」は使えません。何も変更していません。");
inline const QString WhyControlCharacter =
    QStringLiteral("この場所のファイルシステム（FAT・exFAT・NTFS）では、名前に制御文字は使えません。何も変更していません。");
inline const QString WhyNotUtf8Name = QStringLiteral(
    "この場所のファイルシステム（FAT・exFAT・NTFS）では、UTF-8 でない文字を含む名前は使えません。何も変更していません。");
inline const QString WhyReservedName =
    QStringLiteral("「%1」はこの場所のファイルシステムが予約している名前のため使えません。何も変更していません。");
inline const QString WhyTrailingDotOrSpace =
    QStringLiteral("この場所のファイルシステムでは、名前の最後に空白やピリオドは使えません。何も変更していません。");
inline const QString WhyNameTooLongBytes = QStringLiteral("名前が長すぎます（この場所では %1 バイトまでです）。何も変更していません。");
inline const QString WhyNameTooLongCharacters =
    QStringLiteral("名前が長すぎます（この場所では %1 文字までです）。何も変更していません。");
inline const QString WhyNameNotAllowed = QStringLiteral("この名前は、この場所のファイルシステムでは使えません。何も変更していません。");
inline const QString WhyIoError =
    QStringLiteral("読み書きの途中でディスクのエラーが起きました。途中までのものは消し、元のファイルはそのままです。");
inline const QString WhyFileTooLarge = QStringLiteral("ファイルが大きすぎて、この場所には置けません（FAT では 4 GB 未満まで）。");
inline const QString WhyBusy = QStringLiteral("ファイルがほかのプログラムに使われているため、できませんでした。");
inline const QString WhyStale = QStringLiteral("ネットワーク上のファイルへの接続が切れています。");
inline const QString WhyLinkLoop = QStringLiteral("リンクが多すぎるか、循環しています。");
inline const QString WhyOther = QStringLiteral("できませんでした（エラー番号 %1）。");
// After what was done to a photo: its sidecars and Live Photo movie went along. %1 is how many.
inline const QString CompanionsToo = QStringLiteral("（付属のファイル %1 個も一緒に）");

// The photo's details panel.
inline const QString DetailsTitle = QStringLiteral("写真の情報");
inline const QString DetailTaken = QStringLiteral("撮影日時");
inline const QString DetailCamera = QStringLiteral("カメラ");
inline const QString DetailLens = QStringLiteral("レンズ");
inline const QString DetailFocalLength = QStringLiteral("焦点距離");
inline const QString DetailAperture = QStringLiteral("絞り");
inline const QString DetailShutter = QStringLiteral("シャッター速度");
inline const QString DetailIso = QStringLiteral("ISO");
inline const QString DetailBias = QStringLiteral("露出補正");
inline const QString DetailFlash = QStringLiteral("フラッシュ");
inline const QString DetailPixels = QStringLiteral("画素数");
inline const QString DetailFileSize = QStringLiteral("ファイルサイズ");
inline const QString DetailFormat = QStringLiteral("形式");
inline const QString DetailProfile = QStringLiteral("カラープロファイル");
inline const QString DetailPlace = QStringLiteral("位置");
inline const QString DetailTitle = QStringLiteral("タイトル");
inline const QString DetailAuthor = QStringLiteral("作成者");
inline const QString DetailCopyright = QStringLiteral("著作権");
inline const QString DetailRating = QStringLiteral("評価");
inline const QString DetailLabel = QStringLiteral("ラベル");
inline const QString DetailOtherLabel = QStringLiteral("その他");
inline const QString DetailsShowAll = QStringLiteral("すべて表示");
inline const QString DetailsNone = QStringLiteral("このファイルには写真の情報がありません。");
inline const QString DetailsCopyPlace = QStringLiteral("位置をコピー");
inline const QString DetailsOpenMap = QStringLiteral("地図で開く");
inline const QString DetailsOpened = QStringLiteral("写真の情報を表示しました");
inline const QString DetailsClosed = QStringLiteral("写真の情報を閉じました");
inline const QString DetailsPlaceCopied = QStringLiteral("位置をコピーしました");
inline const QString FlashFired = QStringLiteral("発光");
inline const QString FlashNotFired = QStringLiteral("発光なし");
inline const QString FocalWith35mm = QStringLiteral("%1 mm（35 mm 換算 %2 mm）");
inline const QString Millimetres = QStringLiteral("%1 mm");
inline const QString Seconds = QStringLiteral("%1 秒");
inline const QString PixelsShown = QStringLiteral("%1 × %2（%3 メガピクセル）");
inline const QString BytesShown = QStringLiteral("%1（%2 バイト）");
inline const QString BytesAlone = QStringLiteral("%1 バイト");
inline const QString AltitudeShown = QStringLiteral("%1、標高 %2 m");
inline const QString TimeZoneShown = QStringLiteral("%1（UTC%2）");

// The strip of thumbnails under the picture (Ctrl+B).
inline const QString StripAccessible = QStringLiteral("サムネイル");
inline const QString StripAccessibleHelp = QStringLiteral("フォルダの画像の縮小表示。矢印キーで選びます");
inline const QString StripShown = QStringLiteral("サムネイルを表示しました");
inline const QString StripHidden = QStringLiteral("サムネイルを隠しました");
inline const QString StripToggle = QStringLiteral("サムネイル");
// The grid of thumbnails in place of the picture (Ctrl+G).
inline const QString GridAccessible = QStringLiteral("サムネイル一覧");
inline const QString GridAccessibleHelp =
    QStringLiteral("フォルダの画像の一覧。Enter で開き、Esc で戻ります。Ctrl+ホイールか + と - で大きさを変えます");
inline const QString GridShown = QStringLiteral("サムネイル一覧を表示しました");
inline const QString GridHidden = QStringLiteral("サムネイル一覧を閉じました");
inline const QString GridSize = QStringLiteral("%1 ピクセル");
// A tile as screen readers hear it: the name, then where it is ("3 / 240").
inline const QString TileAccessible = QStringLiteral("%1、%2 / %3");
// What a tile says in place of a picture, in a word or two.
inline const QString TileNotAPicture = QStringLiteral("画像ではありません");
inline const QString TileDamaged = QStringLiteral("壊れています");
inline const QString TileTooLarge = QStringLiteral("大きすぎます");
inline const QString TileNoPermission = QStringLiteral("読めません");
inline const QString TileUnsupported = QStringLiteral("未対応の形式");
inline const QString TileCannotShow = QStringLiteral("表示できません");

// The file list's orders, below the filter in its popup.
inline const QString SortByName = QStringLiteral("名前順");
inline const QString SortByTaken = QStringLiteral("撮影日時順");
inline const QString SortByModified = QStringLiteral("更新日時順");
inline const QString SortBySize = QStringLiteral("サイズ順");
inline const QString SortReversed = QStringLiteral("逆順");

// A photo's marks: as the window shows them beside a name and over the
// picture (%1 the stars), and as screen readers hear them.
inline const QString MarkStars = QStringLiteral("★%1");
inline const QString MarkRejected = QStringLiteral("✕");
inline const QString SpokenStars = QStringLiteral("星 %1");
inline const QString SpokenRejected = QStringLiteral("除外");
inline const QString SpokenLabel = QStringLiteral("%1ラベル");
inline const QString SpokenOtherLabel = QStringLiteral("ラベルあり");
inline const QString LabelRed = QStringLiteral("赤");
inline const QString LabelYellow = QStringLiteral("黄");
inline const QString LabelGreen = QStringLiteral("緑");
inline const QString LabelBlue = QStringLiteral("青");
// Several photos acted on at once, named in what was done: %1 the first, %2 how many more.
inline const QString SeveralFiles = QStringLiteral("%1 ほか %2 個");
inline const QString DeleteSeveralQuestion = QStringLiteral("%1 個のファイルを完全に削除しますか？\n削除したファイルは元に戻せません。");
// Said when the grid has several photos selected; %1 is how many.
inline const QString TilesSelected = QStringLiteral("%1 個を選んでいます");
// A name with its marks, for screen readers: %1 the name, %2 the marks.
inline const QString NameWithMarks = QStringLiteral("%1、%2");
// What a mark or a turn did, told and shown for a moment; %1 is the file's name.
inline const QString StarsSet = QStringLiteral("%1 を星 %2 つにしました。");
inline const QString StarsCleared = QStringLiteral("%1 の評価を消しました。");
inline const QString RejectSet = QStringLiteral("%1 を除外にしました。");
inline const QString RejectCleared = QStringLiteral("%1 の除外を取り消しました。");
inline const QString LabelSet = QStringLiteral("%1 に%2ラベルを付けました。");
inline const QString LabelCleared = QStringLiteral("%1 のラベルを外しました。");
inline const QString TurnedRight = QStringLiteral("%1 を右に回転しました。");
inline const QString TurnedLeft = QStringLiteral("%1 を左に回転しました。");
inline const QString UndoneMarks = QStringLiteral("%1 の印を元に戻しました。");
inline const QString UndoneTurn = QStringLiteral("%1 の回転を元に戻しました。");
inline const QString MarksBusy = QStringLiteral("ファイルに書き込んでいる途中です。終わるまでお待ちください。");
// Why a mark or a turn was not written; the file stays as it was.
inline const QString WhyReadOnlyFile = QStringLiteral("読み取り専用のファイルです。何も変更していません。");
inline const QString WhyChangedSinceShown =
    QStringLiteral("表示したあとでファイルが変更されています。何も変更していません。");
inline const QString WhyNoRoomToWrite =
    QStringLiteral("ディスクに空きがないため書き込めませんでした。元のファイルはそのままです。");
inline const QString WhyCheckFailed = QStringLiteral(
    "書き込んだファイルを読み直したところ、画像が元と一致しませんでした。書き込みはやめ、元のファイルはそのままです。");
inline const QString WhyCannotCheck = QStringLiteral(
    "画像を読み込めないため、書き込みを確かめられません。何も変更していません。");
inline const QString WhyCannotWriteMarks =
    QStringLiteral("このファイルには書き込めませんでした（形式が壊れているか、対応していません）。何も変更していません。");
inline const QString WhyAttributesNotKept = QStringLiteral(
    "ファイルの所有者・権限・属性を保ったまま書き込めないため、やめました。元のファイルはそのままです。");
// The picture's popup: turning the photo.
inline const QString ActionTurnRight = QStringLiteral("右に回転");
inline const QString ActionTurnLeft = QStringLiteral("左に回転");
// The file list's popup, below the file types: which marked photos it lists.
inline const QString FilterAtLeastStars = QStringLiteral("★%1以上");
inline const QString FilterFiveStars = QStringLiteral("★5");
inline const QString FilterUnrated = QStringLiteral("未評価");
inline const QString FilterHideRejected = QStringLiteral("除外を隠す");
inline const QString FilterLabel = QStringLiteral("%1ラベル");
// RAW+JPEG pairs as one photo, and which of the two stands for it.
inline const QString PairsTogether = QStringLiteral("RAW+JPEG を1枚として表示");
inline const QString PairsShowRaw = QStringLiteral("ペアは RAW を表示");
// Delete on a pair: which of its photos go to the trash. %1 the JPEG, %2 the RAW.
inline const QString PairTrashTitle = QStringLiteral("ごみ箱へ移動");
inline const QString PairTrashQuestion = QStringLiteral("%1 と %2 は1枚の写真の組です。どれをごみ箱に移動しますか？");
inline const QString PairTrashBoth = QStringLiteral("両方");
inline const QString PairTrashRaw = QStringLiteral("RAW だけ");
inline const QString PairTrashProcessed = QStringLiteral("JPEG だけ");

// The command line (Zelvoviewer --help). %1 is a path.
inline const QString CommandLineDescription =
    QStringLiteral("フォルダの画像（JPEG・GIF・PNG・BMP・HEIC・AVIF・WebP・TIFF・JPEG XL・SVG）を一覧から選んで表示する画像ビューアです。");
inline const QString CommandLineHelp = QStringLiteral("この説明を表示して終了します。");
inline const QString CommandLineVersion = QStringLiteral("バージョンを表示して終了します。");
inline const QString CommandLinePathName = QStringLiteral("パス");
inline const QString CommandLinePathHelp =
    QStringLiteral("最初に開くフォルダ、または表示するファイル（そのフォルダを開いて選びます）。");
inline const QString CommandLinePathSyntax = QStringLiteral("[パス]");
inline const QString CommandLineMissing = QStringLiteral("Zelvoviewer: 「%1」は見つかりません。");
inline const QString CommandLineUnreadable = QStringLiteral("Zelvoviewer: 「%1」は読み込めません。");
inline const QString NoDisplay = QStringLiteral(
    "Zelvoviewer: 画面に接続できません（DISPLAY=%1）。\n"
    "画面のない環境では、仮想の X サーバーの上で起動してください:\n"
    "    xvfb-run -a Zelvoviewer\n");
inline const QString NoDisplayName = QStringLiteral("(なし)"); // DISPLAY unset
inline const QString CommandLineTooMany = QStringLiteral("Zelvoviewer: 開けるパスは一つだけです。");

} // namespace texts
