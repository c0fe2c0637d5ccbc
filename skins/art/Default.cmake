# The Default skin's colours: a blue title band over a light work area. Its pictures lie in the
# skin folder itself, with the title picture every skin shares.
set(SHARED_PICTURES ON)
set(HEADER_TOP "#30609A")
set(HEADER_BOTTOM "#1E3D66")
set(HEADER_EDGE "#15304F")
set(BODY "#E8EEF6")
set(PANEL "#E8EEF6")      # the window's own panel colour, which its boxes and labels paint
set(PANEL_TOP "#DCE6F3")
set(FRAME "#8AA0BE")
set(FRAME_SIDE "#D3DDEA")
set(STATUS_TOP "#1F365A")
set(STATUS_BOTTOM "#172A47")
set(STATUS_LINE "#35557F")
set(ACCENT "#6FB3FF")
set(LOGO_A "#74C6FF")
set(LOGO_B "#2A68CF")
set(TITLE_TEXT "#C7DAF2")

# Side-panel buttons: FACE_TOP FACE_BOTTOM BORDER GLOSS SHADOW SHIFT MARK MARK_OPACITY
set(SIDE_NEUTRAL_Normal   "#FFFFFF;#E2EAF4;#8AA0BE;0.9;0.10;0;#4076BE;0")
set(SIDE_NEUTRAL_Hover    "#F7FBFF;#D4E4F7;#4076BE;0.9;0.14;0;#4076BE;0.55")
set(SIDE_NEUTRAL_Down     "#C9DAF0;#DCE7F5;#335F99;0.2;0;1;#4076BE;0.7")
set(SIDE_NEUTRAL_Disabled "#F4F6F9;#ECEFF4;#C5CEDA;0.5;0.04;0;#4076BE;0")
set(SIDE_PRIMARY_Normal   "#EDF5FF;#C7DCF6;#4A7FC4;0.8;0.12;0;#2F66B0;0.5")
set(SIDE_PRIMARY_Hover    "#E0EDFF;#B3CFF4;#2F66B0;0.8;0.16;0;#2F66B0;0.8")
set(SIDE_PRIMARY_Down     "#A9C6EE;#C4D8F2;#2A5A9C;0.2;0;1;#2A5A9C;0.9")
set(SIDE_PRIMARY_Disabled "${SIDE_NEUTRAL_Disabled}")
set(SIDE_DANGER_Normal    "#FFF3F1;#F5D6D1;#C8695C;0.8;0.12;0;#B3473A;0.5")
set(SIDE_DANGER_Hover     "#FFE8E4;#F1C2BA;#B3473A;0.8;0.16;0;#B3473A;0.8")
set(SIDE_DANGER_Down      "#EBB2A9;#F3CCC5;#9E3B30;0.2;0;1;#9E3B30;0.9")
set(SIDE_DANGER_Disabled  "${SIDE_NEUTRAL_Disabled}")

# Menu buttons on the band: FACE_TOP opacity FACE_BOTTOM opacity BORDER opacity CHEVRON opacity
set(MENU_Normal   "#FFFFFF;0.13;#FFFFFF;0.04;#FFFFFF;0.30;#FFFFFF;0.75")
set(MENU_Hover    "#FFFFFF;0.26;#FFFFFF;0.12;#FFFFFF;0.60;#FFFFFF;1")
set(MENU_Down     "#000000;0.22;#000000;0.10;#FFFFFF;0.35;#FFFFFF;0.9")
set(MENU_Disabled "#FFFFFF;0.05;#FFFFFF;0.02;#FFFFFF;0.12;#FFFFFF;0.3")

# Page tabs: FACE_TOP opacity FACE_BOTTOM opacity BORDER opacity MARK opacity. The disabled tab
# is the front one, in the work area's colour.
set(PAGE_Normal   "#FFFFFF;0.14;#FFFFFF;0.06;#FFFFFF;0.30;#6FB3FF;0")
set(PAGE_Hover    "#FFFFFF;0.28;#FFFFFF;0.12;#FFFFFF;0.55;#6FB3FF;0.8")
set(PAGE_Down     "#000000;0.20;#000000;0.10;#FFFFFF;0.35;#6FB3FF;0.8")
set(PAGE_Disabled "#FFFFFF;1;#E8EEF6;1;#8AA0BE;1;#4076BE;1")

# Title buttons: FACE opacity INK opacity; close turns red under the mouse.
set(TITLE_Normal   "#FFFFFF;0;#FFFFFF;0.85")
set(TITLE_Hover    "#FFFFFF;0.20;#FFFFFF;1")
set(TITLE_Down     "#000000;0.25;#FFFFFF;1")
set(TITLE_Disabled "#FFFFFF;0;#FFFFFF;0.35")
set(TITLE_CLOSE_Hover "#D9463B;1;#FFFFFF;1")
set(TITLE_CLOSE_Down  "#A93226;1;#FFFFFF;1")
