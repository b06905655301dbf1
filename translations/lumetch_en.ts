<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja">
<context>
    <name>Lumetch</name>
    <message>
        <source>              Outputing Data，ESC Key to Stop!</source>
        <translation>              Outputting data, ESC key to stop!</translation>
    </message>
    <message>
        <source>2次元コード</source>
        <translation>2D code</translation>
    </message>
    <message>
        <source>2次元コードを定義する</source>
        <translation>Define a 2D code</translation>
    </message>
    <message>
        <source>A Code 128 symbol has no sizes to choose from: its 型番 stays 0.</source>
        <translation>A Code 128 symbol has no sizes to choose from: its symbol size stays 0.</translation>
    </message>
    <message>
        <source>BMPファイル</source>
        <translation>BMP file</translation>
    </message>
    <message>
        <source>BMPファイルを読み込む</source>
        <translation>Read a BMP file</translation>
    </message>
    <message>
        <source>BMP読込</source>
        <translation>Import BMP</translation>
    </message>
    <message>
        <source>Bmpのプロパティ</source>
        <translation>Bitmap Properties</translation>
    </message>
    <message>
        <source>PLTのプロパティ</source>
        <translation>PLT Properties</translation>
    </message>
    <message>
        <source>PLTファイルを読み込む</source>
        <translation>Read a PLT file</translation>
    </message>
    <message>
        <source>PLT読込</source>
        <translation>Import PLT</translation>
    </message>
    <message>
        <source>VCTのプロパティ</source>
        <translation>VCT Properties</translation>
    </message>
    <message>
        <source>VCTファイルを読み込む</source>
        <translation>Read a VCT file</translation>
    </message>
    <message>
        <source>VCT読込</source>
        <translation>Import VCT</translation>
    </message>
    <message>
        <source>Warning: 彫刻を続けますか? [y] はい / [n] いいえ: </source>
        <translation>Warning: Continue engraving? [y] Yes / [n] No: </translation>
    </message>
    <message>
        <source>X Y 軸交換</source>
        <translation>Swap X and Y</translation>
    </message>
    <message>
        <source>X軸交換</source>
        <translation>Mirror X</translation>
    </message>
    <message>
        <source>Y軸交換</source>
        <translation>Mirror Y</translation>
    </message>
    <message>
        <source>いいえ</source>
        <translation>No</translation>
    </message>
    <message>
        <source>いいえ (</source>
        <translation>No (</translation>
    </message>
    <message>
        <source>なし</source>
        <translation>None</translation>
    </message>
    <message>
        <source>はい</source>
        <translation>Yes</translation>
    </message>
    <message>
        <source>やり直し</source>
        <translation>Redo</translation>
    </message>
    <message>
        <source>やり直し	Ctrl+Y</source>
        <translation>Redo	Ctrl+Y</translation>
    </message>
    <message>
        <source>アウトライン</source>
        <translation>Outline</translation>
    </message>
    <message>
        <source>アウトラインPlt</source>
        <translation>Outline PLT</translation>
    </message>
    <message>
        <source>アウトラインVct</source>
        <translation>Outline VCT</translation>
    </message>
    <message>
        <source>アウトラインのテスト</source>
        <translation>Outline test</translation>
    </message>
    <message>
        <source>イメージのスタイル</source>
        <translation>Image style</translation>
    </message>
    <message>
        <source>エッジの数</source>
        <translation>Number of edges</translation>
    </message>
    <message>
        <source>エッジサイズ</source>
        <translation>Edge size</translation>
    </message>
    <message>
        <source>エッジスタイル</source>
        <translation>Edge style</translation>
    </message>
    <message>
        <source>エッジ半径</source>
        <translation>Edge radius</translation>
    </message>
    <message>
        <source>オフセット</source>
        <translation>Offset</translation>
    </message>
    <message>
        <source>オフセットX</source>
        <translation>Offset X</translation>
    </message>
    <message>
        <source>オフセットY</source>
        <translation>Offset Y</translation>
    </message>
    <message>
        <source>オプション</source>
        <translation>Options</translation>
    </message>
    <message>
        <source>カット	Ctrl+X</source>
        <translation>Cut	Ctrl+X</translation>
    </message>
    <message>
        <source>カラーボックス</source>
        <translation>Colour</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>クワイエットゾーン</source>
        <translation>Quiet zone</translation>
    </message>
    <message>
        <source>グラフィックスタイル</source>
        <translation>Graphic style</translation>
    </message>
    <message>
        <source>グリッド</source>
        <translation>Grid</translation>
    </message>
    <message>
        <source>コピー	Ctrl+C</source>
        <translation>Copy	Ctrl+C</translation>
    </message>
    <message>
        <source>コードのプロパティ</source>
        <translation>Code Properties</translation>
    </message>
    <message>
        <source>コードの種類</source>
        <translation>Code type</translation>
    </message>
    <message>
        <source>サイズ</source>
        <translation>Size</translation>
    </message>
    <message>
        <source>サイズX</source>
        <translation>Size X</translation>
    </message>
    <message>
        <source>サイズY</source>
        <translation>Size Y</translation>
    </message>
    <message>
        <source>シアン</source>
        <translation>Cyan</translation>
    </message>
    <message>
        <source>シフト表(&amp;S)</source>
        <translation>&amp;Shift table</translation>
    </message>
    <message>
        <source>シリアル番号</source>
        <translation>Serial number</translation>
    </message>
    <message>
        <source>スキャニング</source>
        <translation>Scanning</translation>
    </message>
    <message>
        <source>スキャニングPlt</source>
        <translation>Scanning PLT</translation>
    </message>
    <message>
        <source>スキャニングのスタイル</source>
        <translation>Scanning style</translation>
    </message>
    <message>
        <source>スキャニングエリア設定</source>
        <translation>Scanning Area</translation>
    </message>
    <message>
        <source>スキャニング方向</source>
        <translation>Scanning direction</translation>
    </message>
    <message>
        <source>スケールX</source>
        <translation>Scale X</translation>
    </message>
    <message>
        <source>スケールY</source>
        <translation>Scale Y</translation>
    </message>
    <message>
        <source>ステータスバー</source>
        <translation>Status bar</translation>
    </message>
    <message>
        <source>スピード</source>
        <translation>Speed</translation>
    </message>
    <message>
        <source>ツールバー</source>
        <translation>Toolbar</translation>
    </message>
    <message>
        <source>データ</source>
        <translation>Data</translation>
    </message>
    <message>
        <source>データファイル(&amp;F)</source>
        <translation>Data &amp;file</translation>
    </message>
    <message>
        <source>データ設定</source>
        <translation>Marking Settings</translation>
    </message>
    <message>
        <source>バーの幅</source>
        <translation>Bar width</translation>
    </message>
    <message>
        <source>バーコード</source>
        <translation>Barcode</translation>
    </message>
    <message>
        <source>バーコードを定義する</source>
        <translation>Define a barcode</translation>
    </message>
    <message>
        <source>バージョン情報</source>
        <translation>About Lumetch</translation>
    </message>
    <message>
        <source>パワー</source>
        <translation>Power</translation>
    </message>
    <message>
        <source>ファイル</source>
        <translation>File</translation>
    </message>
    <message>
        <source>ファイルの内容</source>
        <translation>File contents</translation>
    </message>
    <message>
        <source>ファイルの選択</source>
        <translation>Choose file</translation>
    </message>
    <message>
        <source>ファイルプレビュー</source>
        <translation>File preview</translation>
    </message>
    <message>
        <source>ファイル変換スタイル</source>
        <translation>File conversion style</translation>
    </message>
    <message>
        <source>フィールド</source>
        <translation>Field</translation>
    </message>
    <message>
        <source>フィールドX</source>
        <translation>Field X</translation>
    </message>
    <message>
        <source>フィールドY</source>
        <translation>Field Y</translation>
    </message>
    <message>
        <source>フィールド設定</source>
        <translation>Field Settings</translation>
    </message>
    <message>
        <source>フォント幅X</source>
        <translation>Font width X</translation>
    </message>
    <message>
        <source>フォント幅Y</source>
        <translation>Font width Y</translation>
    </message>
    <message>
        <source>プロッタの位置</source>
        <translation>Plotter position</translation>
    </message>
    <message>
        <source>プロッタの移動</source>
        <translation>Move plotter</translation>
    </message>
    <message>
        <source>プロパティ</source>
        <translation>Properties</translation>
    </message>
    <message>
        <source>ヘルプ</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>ペースト	Ctrl+V</source>
        <translation>Paste	Ctrl+V</translation>
    </message>
    <message>
        <source>ホームX</source>
        <translation>Home X</translation>
    </message>
    <message>
        <source>ホームY</source>
        <translation>Home Y</translation>
    </message>
    <message>
        <source>マゼンタ</source>
        <translation>Magenta</translation>
    </message>
    <message>
        <source>ラウンド</source>
        <translation>Round</translation>
    </message>
    <message>
        <source>レイヤー</source>
        <translation>Layer</translation>
    </message>
    <message>
        <source>一定速度</source>
        <translation>Constant speed</translation>
    </message>
    <message>
        <source>三角形</source>
        <translation>Triangle</translation>
    </message>
    <message>
        <source>三角形のプロパティ</source>
        <translation>Triangle Properties</translation>
    </message>
    <message>
        <source>三角形を定義する</source>
        <translation>Define a triangle</translation>
    </message>
    <message>
        <source>上</source>
        <translation>Up</translation>
    </message>
    <message>
        <source>下</source>
        <translation>Down</translation>
    </message>
    <message>
        <source>不能打开此文件</source>
        <translation>This file cannot be opened</translation>
    </message>
    <message>
        <source>不能装载位图!</source>
        <translation>The bitmap cannot be loaded!</translation>
    </message>
    <message>
        <source>両端サイズ</source>
        <translation>Span</translation>
    </message>
    <message>
        <source>両端揃え</source>
        <translation>Justified</translation>
    </message>
    <message>
        <source>中央</source>
        <translation>Centre</translation>
    </message>
    <message>
        <source>中央上</source>
        <translation>Top centre</translation>
    </message>
    <message>
        <source>中央下</source>
        <translation>Bottom centre</translation>
    </message>
    <message>
        <source>例: 06:00=A;14:00=B;22:00=C</source>
        <translation>e.g. 06:00=A;14:00=B;22:00=C</translation>
    </message>
    <message>
        <source>保存...	Ctrl+S</source>
        <translation>Save...	Ctrl+S</translation>
    </message>
    <message>
        <source>傾斜</source>
        <translation>Chamfer</translation>
    </message>
    <message>
        <source>元に戻す</source>
        <translation>Undo</translation>
    </message>
    <message>
        <source>元に戻す	Ctrl+Z</source>
        <translation>Undo	Ctrl+Z</translation>
    </message>
    <message>
        <source>円形</source>
        <translation>Circle</translation>
    </message>
    <message>
        <source>円形のプロパティ</source>
        <translation>Circle Properties</translation>
    </message>
    <message>
        <source>円形を定義する</source>
        <translation>Define a circle</translation>
    </message>
    <message>
        <source>凸彫刻</source>
        <translation>Raised</translation>
    </message>
    <message>
        <source>凹彫刻</source>
        <translation>Recessed</translation>
    </message>
    <message>
        <source>出力のスタイル</source>
        <translation>Output style</translation>
    </message>
    <message>
        <source>出力モード</source>
        <translation>Output Mode</translation>
    </message>
    <message>
        <source>出力・表示スタイル</source>
        <translation>Output and display style</translation>
    </message>
    <message>
        <source>列数</source>
        <translation>Columns</translation>
    </message>
    <message>
        <source>列間</source>
        <translation>Column gap</translation>
    </message>
    <message>
        <source>半径X</source>
        <translation>Radius X</translation>
    </message>
    <message>
        <source>半径Y</source>
        <translation>Radius Y</translation>
    </message>
    <message>
        <source>単一文字のプロパティ</source>
        <translation>Single Character Properties</translation>
    </message>
    <message>
        <source>印刷...	Ctrl+P</source>
        <translation>Print...	Ctrl+P</translation>
    </message>
    <message>
        <source>印刷プレビュー</source>
        <translation>Print preview</translation>
    </message>
    <message>
        <source>印刷設定</source>
        <translation>Print setup</translation>
    </message>
    <message>
        <source>原本</source>
        <translation>Original</translation>
    </message>
    <message>
        <source>参照...</source>
        <translation>Browse...</translation>
    </message>
    <message>
        <source>反時計回りのアウトライン</source>
        <translation>Counter-clockwise outline</translation>
    </message>
    <message>
        <source>反転</source>
        <translation>Inverted</translation>
    </message>
    <message>
        <source>可変</source>
        <translation>Variable</translation>
    </message>
    <message>
        <source>可変テキスト</source>
        <translation>Serial number</translation>
    </message>
    <message>
        <source>可変データ</source>
        <translation>Data fields</translation>
    </message>
    <message>
        <source>可変データの設定</source>
        <translation>Variable data</translation>
    </message>
    <message>
        <source>可変データの設定...</source>
        <translation>Variable data...</translation>
    </message>
    <message>
        <source>右上</source>
        <translation>Top right</translation>
    </message>
    <message>
        <source>右下</source>
        <translation>Bottom right</translation>
    </message>
    <message>
        <source>右中</source>
        <translation>Middle right</translation>
    </message>
    <message>
        <source>四角形</source>
        <translation>Rectangle</translation>
    </message>
    <message>
        <source>四角形のプロパティ</source>
        <translation>Rectangle Properties</translation>
    </message>
    <message>
        <source>四角形を定義する</source>
        <translation>Define a rectangle</translation>
    </message>
    <message>
        <source>回し文字</source>
        <translation>Arc text</translation>
    </message>
    <message>
        <source>回し文字のプロパティ</source>
        <translation>Arc Text Properties</translation>
    </message>
    <message>
        <source>回し文字を定義する</source>
        <translation>Define an arc text</translation>
    </message>
    <message>
        <source>垂直方向</source>
        <translation>Vertical</translation>
    </message>
    <message>
        <source>型番</source>
        <translation>Symbol size</translation>
    </message>
    <message>
        <source>塗りつぶし</source>
        <translation>Fill</translation>
    </message>
    <message>
        <source>塗りつぶしのスタイル</source>
        <translation>Fill style</translation>
    </message>
    <message>
        <source>変換</source>
        <translation>Convert</translation>
    </message>
    <message>
        <source>多角形</source>
        <translation>Polygon</translation>
    </message>
    <message>
        <source>多角形のプロパティ</source>
        <translation>Polygon Properties</translation>
    </message>
    <message>
        <source>多角形を定義する</source>
        <translation>Define a polygon</translation>
    </message>
    <message>
        <source>字間</source>
        <translation>Character gap</translation>
    </message>
    <message>
        <source>左上</source>
        <translation>Top left</translation>
    </message>
    <message>
        <source>左下</source>
        <translation>Bottom left</translation>
    </message>
    <message>
        <source>左中</source>
        <translation>Middle left</translation>
    </message>
    <message>
        <source>当前步距值=</source>
        <translation>Step=</translation>
    </message>
    <message>
        <source>当前步距值=  0.50mm</source>
        <translation>Step=  0.50mm</translation>
    </message>
    <message>
        <source>当前步距值=%6.2fmm</source>
        <translation>Step=%6.2fmm</translation>
    </message>
    <message>
        <source>彫刻を続けますか?</source>
        <translation>Continue engraving?</translation>
    </message>
    <message>
        <source>彫刻を開始する</source>
        <translation>Start engraving</translation>
    </message>
    <message>
        <source>彫刻再開</source>
        <translation>Resume engraving</translation>
    </message>
    <message>
        <source>彫刻再開...</source>
        <translation>Resume engraving...</translation>
    </message>
    <message>
        <source>彫刻回数</source>
        <translation>Passes</translation>
    </message>
    <message>
        <source>彫刻後のホーム</source>
        <translation>Home after engraving</translation>
    </message>
    <message>
        <source>彫刻開始</source>
        <translation>Start engraving</translation>
    </message>
    <message>
        <source>彫刻開始...	 F1</source>
        <translation>Start engraving...	 F1</translation>
    </message>
    <message>
        <source>描画</source>
        <translation>Draw</translation>
    </message>
    <message>
        <source>文件读取错误!</source>
        <translation>The file could not be read!</translation>
    </message>
    <message>
        <source>文字入力</source>
        <translation>Text</translation>
    </message>
    <message>
        <source>文字列</source>
        <translation>Text</translation>
    </message>
    <message>
        <source>文字列の位置揃え</source>
        <translation>Text alignment</translation>
    </message>
    <message>
        <source>文字列方向</source>
        <translation>Text direction</translation>
    </message>
    <message>
        <source>文字方向</source>
        <translation>Character direction</translation>
    </message>
    <message>
        <source>新規...	Ctrl+N</source>
        <translation>New...	Ctrl+N</translation>
    </message>
    <message>
        <source>時計回りのアウトライン</source>
        <translation>Clockwise outline</translation>
    </message>
    <message>
        <source>最近使ったファイル</source>
        <translation>Recent files</translation>
    </message>
    <message>
        <source>标刻文件(*.mrk)|*.mrk|</source>
        <translation>Layout file(*.mrk)|*.mrk|</translation>
    </message>
    <message>
        <source>標準</source>
        <translation>Standard</translation>
    </message>
    <message>
        <source>横幅</source>
        <translation>Width</translation>
    </message>
    <message>
        <source>横書き</source>
        <translation>Horizontal</translation>
    </message>
    <message>
        <source>次の行(&amp;R)</source>
        <translation>Next &amp;row</translation>
    </message>
    <message>
        <source>此文件不是一个位图文件!</source>
        <translation>This file is not a bitmap file!</translation>
    </message>
    <message>
        <source>此文件不是黑白位图!</source>
        <translation>This file is not a black-and-white bitmap!</translation>
    </message>
    <message>
        <source>水平方向</source>
        <translation>Horizontal</translation>
    </message>
    <message>
        <source>白</source>
        <translation>White</translation>
    </message>
    <message>
        <source>直線</source>
        <translation>Line</translation>
    </message>
    <message>
        <source>直線のプロパティ</source>
        <translation>Line Properties</translation>
    </message>
    <message>
        <source>直線を定義する</source>
        <translation>Define a line</translation>
    </message>
    <message>
        <source>直線文字列</source>
        <translation>Line text</translation>
    </message>
    <message>
        <source>直線文字列のプロパティ</source>
        <translation>Line Text Properties</translation>
    </message>
    <message>
        <source>直線文字列を定義する</source>
        <translation>Define a line text</translation>
    </message>
    <message>
        <source>直角</source>
        <translation>Square</translation>
    </message>
    <message>
        <source>確定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>終了</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>緑</source>
        <translation>Green</translation>
    </message>
    <message>
        <source>線幅X</source>
        <translation>Line width X</translation>
    </message>
    <message>
        <source>線幅Y</source>
        <translation>Line width Y</translation>
    </message>
    <message>
        <source>編集</source>
        <translation>Edit</translation>
    </message>
    <message>
        <source>編集エリア</source>
        <translation>Editing area</translation>
    </message>
    <message>
        <source>縦幅</source>
        <translation>Height</translation>
    </message>
    <message>
        <source>縦書き</source>
        <translation>Vertical</translation>
    </message>
    <message>
        <source>縦横の比率を固定する</source>
        <translation>Keep the aspect ratio</translation>
    </message>
    <message>
        <source>自動</source>
        <translation>Automatic</translation>
    </message>
    <message>
        <source>色の選択</source>
        <translation>Colour</translation>
    </message>
    <message>
        <source>菱形</source>
        <translation>Rhombus</translation>
    </message>
    <message>
        <source>菱形のプロパティ</source>
        <translation>Rhombus Properties</translation>
    </message>
    <message>
        <source>菱形を定義する</source>
        <translation>Define a rhombus</translation>
    </message>
    <message>
        <source>行数</source>
        <translation>Rows</translation>
    </message>
    <message>
        <source>行間</source>
        <translation>Row gap</translation>
    </message>
    <message>
        <source>表示タイプ</source>
        <translation>Display type</translation>
    </message>
    <message>
        <source>角度</source>
        <translation>Angle</translation>
    </message>
    <message>
        <source>解像度(Dot/mm)</source>
        <translation>Resolution (dots/mm)</translation>
    </message>
    <message>
        <source>誤り訂正</source>
        <translation>Error correction</translation>
    </message>
    <message>
        <source>赤</source>
        <translation>Red</translation>
    </message>
    <message>
        <source>走査間隔</source>
        <translation>Scan pitch</translation>
    </message>
    <message>
        <source>走査間隔(mm)</source>
        <translation>Scan pitch (mm)</translation>
    </message>
    <message>
        <source>逆三角形</source>
        <translation>Inverted triangle</translation>
    </message>
    <message>
        <source>閉じる</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>開く...	Ctrl+O</source>
        <translation>Open...	Ctrl+O</translation>
    </message>
    <message>
        <source>青</source>
        <translation>Blue</translation>
    </message>
    <message>
        <source>非解压文件!</source>
        <translation>This file is compressed!</translation>
    </message>
    <message>
        <source>黄</source>
        <translation>Yellow</translation>
    </message>
    <message>
        <source>黒</source>
        <translation>Black</translation>
    </message>
</context>
</TS>
