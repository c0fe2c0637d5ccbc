# The Dark skin's colours: graphite chrome with a teal accent around the light lists.
set(HEADER_TOP "#363B43")
set(HEADER_BOTTOM "#1D2025")
set(HEADER_EDGE "#0C0E11")
set(BODY "#2A2E34")
set(PANEL "#E8EEF6")      # the window's own panel colour, which its boxes and labels paint
set(PANEL_TOP "#C9D0D9")
set(FRAME "#5C6570")
set(FRAME_SIDE "#2A2E34")
set(STATUS_TOP "#17191D")
set(STATUS_BOTTOM "#0F1114")
set(STATUS_LINE "#2F343B")
set(ACCENT "#2EC4AA")
set(LOGO_A "#5BE3C8")
set(LOGO_B "#12897B")
set(TITLE_TEXT "#9FB8B2")

# Side-panel buttons: FACE_TOP FACE_BOTTOM BORDER GLOSS SHADOW SHIFT MARK MARK_OPACITY
set(SIDE_NEUTRAL_Normal   "#4A515B;#353A41;#22262B;0.18;0.25;0;#2EC4AA;0")
set(SIDE_NEUTRAL_Hover    "#56606B;#3E444C;#2EC4AA;0.22;0.30;0;#2EC4AA;0.8")
set(SIDE_NEUTRAL_Down     "#2A2F35;#353B42;#1E9C88;0.05;0;1;#2EC4AA;0.9")
set(SIDE_NEUTRAL_Disabled "#555C66;#4B525B;#656D78;0.08;0.04;0;#2EC4AA;0")
set(SIDE_PRIMARY_Normal   "#1E9C88;#147565;#0E5146;0.25;0.25;0;#8EF0DD;0.6")
set(SIDE_PRIMARY_Hover    "#24B39C;#178571;#0E5146;0.28;0.30;0;#B5F7EA;0.9")
set(SIDE_PRIMARY_Down     "#106656;#16796A;#0A3F36;0.05;0;1;#8EF0DD;0.9")
set(SIDE_PRIMARY_Disabled "${SIDE_NEUTRAL_Disabled}")
set(SIDE_DANGER_Normal    "#B9483C;#8F3027;#5E1E18;0.25;0.25;0;#FFB1A6;0.6")
set(SIDE_DANGER_Hover     "#CF5649;#A0372D;#5E1E18;0.28;0.30;0;#FFC9C1;0.9")
set(SIDE_DANGER_Down      "#7E2A22;#943429;#4A1712;0.05;0;1;#FFB1A6;0.9")
set(SIDE_DANGER_Disabled  "${SIDE_NEUTRAL_Disabled}")

# Menu buttons on the band: FACE_TOP opacity FACE_BOTTOM opacity BORDER opacity CHEVRON opacity
set(MENU_Normal   "#FFFFFF;0.08;#FFFFFF;0.02;#FFFFFF;0.16;#2EC4AA;0.9")
set(MENU_Hover    "#2EC4AA;0.30;#2EC4AA;0.12;#2EC4AA;0.85;#5BE3C8;1")
set(MENU_Down     "#000000;0.35;#000000;0.20;#2EC4AA;0.6;#5BE3C8;1")
set(MENU_Disabled "#FFFFFF;0.03;#FFFFFF;0.01;#FFFFFF;0.08;#2EC4AA;0.3")

# Page tabs: FACE_TOP opacity FACE_BOTTOM opacity BORDER opacity MARK opacity. The disabled tab
# is the front one, in the work area's colour.
set(PAGE_Normal   "#FFFFFF;0.08;#FFFFFF;0.03;#FFFFFF;0.18;#2EC4AA;0")
set(PAGE_Hover    "#2EC4AA;0.25;#2EC4AA;0.10;#2EC4AA;0.7;#2EC4AA;0.9")
set(PAGE_Down     "#000000;0.30;#000000;0.15;#2EC4AA;0.5;#2EC4AA;0.9")
set(PAGE_Disabled "#3A4048;1;#2A2E34;1;#2EC4AA;0.7;#2EC4AA;1")

# Title buttons: FACE opacity INK opacity; close turns red under the mouse.
set(TITLE_Normal   "#FFFFFF;0;#D5DEE0;0.85")
set(TITLE_Hover    "#2EC4AA;0.35;#FFFFFF;1")
set(TITLE_Down     "#000000;0.35;#FFFFFF;1")
set(TITLE_Disabled "#FFFFFF;0;#FFFFFF;0.3")
set(TITLE_CLOSE_Hover "#D9463B;1;#FFFFFF;1")
set(TITLE_CLOSE_Down  "#A93226;1;#FFFFFF;1")
