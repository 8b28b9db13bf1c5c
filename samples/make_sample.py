#!/usr/bin/env python3
"""Writes samples/JWC_TEMP.TXT: a small drawing in the exchange format.

The file is what the host would hand over for a selection that holds every
kind of figure the program reads: Shift-JIS bytes, CR LF line ends. Run it
from anywhere; it writes next to itself.
"""
import pathlib

LINES = r'''
file=C:\jww\試験\円の試験.jww
hk 0
hs 1 1 1 1 2 1 1 1 1 1 1 1 1 1 1 50
hzs 420 297
hcw 2 2.5 3 3.5 4 5 6 7 8 10
hch 2 2.5 3 3.5 4 5 6 7 8 10
hcd 0 0 0 0 0.5 0.5 1 1 1 1
hcc 1 1 2 2 3 3 4 4 5 6
hn 0 0 1 1
lg0
lgn基準図
ly0
lyn外形
lc1
lt1
lw0
0 0 200 0
200 0 200 120
200 120 0 120
0 120 0 0
pl
10 100 30 100
30 100 30 110
30 110 10 100
#
ci 50 60 10
lc2
ci 150 60 15.5
ly1
lyn円と円弧
lc3
lt2
ci 50 60 20 0 90 1 0
ci 150 60 20 300 30 1 0
ci 100 30 25 0 360 0.5 30
ci 100 90 18 45 225 0.6 -15
ci 170 20 8 0 360 1 0
lw2
z1
ci 20 20 5
lt1
lw0
ly2
lyn文字
cn1
cc0
cn"$ＭＳ 明朝
ch 10 140 1 0 "「円の試験」
cn0 4 4 0.5 3
cs 10 132 1 0 "円→多角形変換のサンプル
cc2
cr 120 132 1 0 "ソフト表示テスト
msg
0 150 30 150
cs 0 152 1 0 "寸法
#
pn2
pt 5 5
pt 195 5
pt 100 60 1 0 2
ly3
lyn塗りつぶし
lc10 200
sl 210 0 220 10
sl 230 0 240 0 235 8
sl 250 0 260 0 260 10 250 10
sl 270 0 280 0 280 0 270 10
lc10 65280
sc 300 20 10 1 0 0 3.14159265358979 100
se 330 20 10 1 0 0 6.28318530717959 100
se 360 20 12 0.5 0.5 1.5707963267949 -3.14159265358979 100
lc5
se 390 20 8 1 0 0 1.5707963267949 0
so 300 60 10 1 0 0 3.14159265358979 4
sg 330 60 10 1 0 0 6.28318530717959 3
lg1
lgn設備
ly0
lyn機器
lc4
lt3
hhp1
0 200 50 200
ci 80 200 12 90 270 1 0
BL 120 200 ブロック１
hp1 0 200
lg0
ly0
'''

text = "\r\n".join(LINES.strip("\n").split("\n")) + "\r\n"
out = pathlib.Path(__file__).with_name("JWC_TEMP.TXT")
out.write_bytes(text.encode("cp932"))
print(f"{out}: {len(text.splitlines())} lines")
