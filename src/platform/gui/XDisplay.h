#pragma once
// Whether the X display named by DISPLAY accepts a connection. Qt aborts the
// program when it cannot connect; asked first, the program can say why.

bool XDisplayAnswers();
