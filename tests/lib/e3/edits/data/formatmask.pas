{ Reads pairs of lines (mask, value) from standard input and prints, for each
  pair, the value formatted by MaskUtils.FormatMaskText between brackets. Used
  as an independent peer for the mask engine's formatting. }
program formatmask;
{$mode objfpc}{$H+}
uses MaskUtils;
var
  mask, value: string;
begin
  while not eof(input) do
  begin
    readln(mask);
    if eof(input) then
      break;
    readln(value);
    writeln('[', FormatMaskText(mask, value), ']');
  end;
end.
