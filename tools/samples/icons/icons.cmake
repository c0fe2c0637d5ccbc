# The sample programs' icons, in resource order: index 0 is every sample's default, the others go
# to the demo's programs (sampleDemo.cpp names each one's index). Each entry: file, top colour,
# bottom colour, glyph (SVG drawn in white on the tile, 48-pixel grid).
set(SAMPLE_ICONS
  "sample|#8A9BB0|#4E5E73|<rect x='13' y='16' width='22' height='18' rx='2'/><path d='M13 22 H35'/>"
  "pixelforge|#C05CE6|#7B2FBF|<path d='M12 34 L20 24 L26 30 L30 25 L36 34 Z'/><circle cx='31' cy='16' r='3'/>"
  "tunecrate|#FF9D3A|#E0561B|<path d='M20 32 V14 L34 11 V29'/><circle cx='17' cy='32' r='3.5'/><circle cx='31' cy='29' r='3.5'/>"
  "quickzip|#E6C04A|#A9781E|<rect x='14' y='12' width='20' height='24' rx='2'/><path d='M24 12 V20 M21 15 H27 M21 19 H27'/><rect x='21' y='22' width='6' height='6' rx='1'/>"
  "ledgerlite|#43C58A|#178A57|<path d='M14 34 H36'/><path d='M17 30 V24 M24 30 V17 M31 30 V21'/>"
  "orbitchat|#4AA3FF|#1D5FD0|<path d='M12 15 h24 v15 h-13 l-6 5 v-5 h-5 z'/>"
  "securevault|#2FB5A5|#0F6E66|<rect x='14' y='22' width='20' height='14' rx='3'/><path d='M18 22 v-4 a6 6 0 0 1 12 0 v4'/><path d='M24 28 v3'/>"
  "datakeeper|#EF5A4E|#B0271F|<ellipse cx='24' cy='14' rx='10' ry='4'/><path d='M14 14 V33 C14 36 34 36 34 33 V14'/><path d='M14 23.5 C14 27 34 27 34 23.5'/>"
  "megasuite|#3C5FAF|#1B2F66|<rect x='13' y='13' width='9' height='9' rx='1.5'/><rect x='26' y='13' width='9' height='9' rx='1.5'/><rect x='13' y='26' width='9' height='9' rx='1.5'/><rect x='26' y='26' width='9' height='9' rx='1.5'/>"
  "devpad|#5E6B7D|#2F3845|<path d='M19 16 L12 24 L19 32 M29 16 L36 24 L29 32 M26 13 L22 35'/>"
  "photobatch|#35C6E0|#137F9E|<path d='M13 21 V13 H21 M35 27 V35 H27 M13 13 L22 22 M35 35 L26 26'/>"
  "retroarcade|#8E5BE8|#4B23A8|<rect x='11' y='17' width='26' height='15' rx='7'/><path d='M18 21 V28 M14.5 24.5 H21.5'/><circle cx='29' cy='23' r='1'/><circle cx='32' cy='27' r='1'/>"
  "cloudsync|#67C1FF|#2C7FDB|<path d='M16 32 a6 6 0 0 1 0 -12 a8 8 0 0 1 15 -3 a6.5 6.5 0 0 1 1 15 z'/>"
)
