#pragma once
// The program's one printer: its set-up is kept between print jobs, as the
// printer set-up command promises.
class QPrinter;

QPrinter& AppPrinter();
