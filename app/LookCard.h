#pragma once
// The frame of the look's overlays over the display: a light card with
// rounded corners and a soft shadow. Its object name is "lookCard", for
// style rules of the widgets inside. The caller owns it. Main thread.

class QFrame;

QFrame* makeLookCard();
