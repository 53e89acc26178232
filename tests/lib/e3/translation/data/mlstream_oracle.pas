{ An independent writer and reader of dictionary streams, built on the
  runtime's own component-streaming TWriter and TReader.
    mlstream_oracle write FILE      the fixed sample dictionary, 8-bit strings
    mlstream_oracle writewide FILE  the same with every string wide
    mlstream_oracle read FILE       prints the stream's contents, one value a line }
program mlstream_oracle;
{$mode objfpc}{$H+}
uses Classes, SysUtils;

const
  Names: array[0..3] of String = ('Unilang:', 'Unitext:', 'German:', 'Notes:');
  Prefixes: array[0..3] of String = ('UL', 'UT', 'DE', 'RM');
  { word positions of the four items, -1 for none }
  Positions: array[0..3, 0..3] of Integer = (
    (0, 1, 1, -1), (1, 0, -1, 0), (2, 2, 0, -1), (3, -1, 2, -1));

var
  Wide: Boolean;

function Words(Col: Integer): TStringArray;
var
  Long: String;
begin
  Long := StringOfChar(#$E9, 300);
  case Col of
    0: Result := ['alpha', 'beta', 'gr'#$FC'n', Long];
    1: Result := ['Beta text', 'Alpha text', 'Gr'#$FC'n text'];
    2: Result := ['Gr'#$FC'n', 'Alpha'#$81, StringOfChar(#$C4, 255)];
  else
    Result := ['a remark'];
  end;
end;

procedure Str(W: TWriter; const S: String);
var
  U: UnicodeString;
  I: Integer;
begin
  if Wide then
  begin
    { the bytes are CP1252; 0x81 has no character there and stands for U+0081 }
    SetLength(U, Length(S));
    for I := 1 to Length(S) do
      case S[I] of
        #$E9: U[I] := #$00E9;
        #$FC: U[I] := #$00FC;
        #$C4: U[I] := #$00C4;
        #$81: U[I] := #$0081;
      else
        U[I] := WideChar(Ord(S[I]));
      end;
    W.WriteWideString(U);
  end
  else
    W.WriteString(S);
end;

procedure WriteSample(const FileName: String);
const
  EmptyPicture: array[0..30] of Byte = (Ord('T'), Ord('P'), Ord('F'), Ord('0'),
    6, Ord('T'), Ord('I'), Ord('m'), Ord('a'), Ord('g'), Ord('e'), 0,
    5, Ord('W'), Ord('i'), Ord('d'), Ord('t'), Ord('h'), 2, 32,
    6, Ord('H'), Ord('e'), Ord('i'), Ord('g'), Ord('h'), Ord('t'), 2, 32, 0, 0);
var
  F: TFileStream;
  W: TWriter;
  C, I: Integer;
  L: TStringArray;
begin
  F := TFileStream.Create(FileName, fmCreate);
  W := TWriter.Create(F, 4096);
  Str(W, 'MLstream');
  W.WriteListBegin;
  for C := 0 to 3 do
  begin
    Str(W, Names[C]); Str(W, Names[C]); Str(W, Prefixes[C]);
    W.WriteInteger(C); W.WriteBoolean(True); W.WriteBoolean(C = 3);
    W.WriteInteger(140); W.WriteBoolean(False);
  end;
  W.WriteListEnd;
  W.WriteListBegin;
  for I := 0 to 3 do
  begin
    W.WriteListBegin;
    for C := 0 to 3 do
      W.WriteInteger(Positions[I, C]);
    W.WriteListEnd;
  end;
  W.WriteListEnd;
  for C := 0 to 3 do
  begin
    W.WriteListBegin;
    L := Words(C);
    for I := 0 to High(L) do
      Str(W, L[I]);
    W.WriteListEnd;
  end;
  W.WriteListBegin;
  for C := 0 to 3 do
    if C = 3 then
      Str(W, 'N')
    else
    begin
      Str(W, 'Y');
      W.Write(EmptyPicture, SizeOf(EmptyPicture));
    end;
  W.WriteListEnd;
  W.Free;
  F.Free;
end;

function Hex(const S: String): String;
var
  I: Integer;
begin
  Result := '';
  for I := 1 to Length(S) do
    Result := Result + IntToHex(Ord(S[I]), 2);
end;

procedure Dump(const FileName: String);
var
  F: TFileStream;
  R: TReader;
  Col, N, ChildPos: Integer;
  Line, Cls, Nm, Sig: String;
  Flags: TFilerFlags;
begin
  F := TFileStream.Create(FileName, fmOpenRead);
  R := TReader.Create(F, 4096);
  WriteLn('T|', R.ReadString);
  R.ReadListBegin;
  N := 0;
  while not R.EndOfList do
  begin
    Line := 'L|' + Hex(R.ReadString);
    Line := Line + '|' + Hex(R.ReadString);
    Line := Line + '|' + Hex(R.ReadString);
    Line := Line + '|' + IntToStr(R.ReadInteger);
    Line := Line + '|' + BoolToStr(R.ReadBoolean, '1', '0');
    Line := Line + '|' + BoolToStr(R.ReadBoolean, '1', '0');
    Line := Line + '|' + IntToStr(R.ReadInteger);
    Line := Line + '|' + BoolToStr(R.ReadBoolean, '1', '0');
    WriteLn(Line);
    Inc(N);
  end;
  R.ReadListEnd;
  R.ReadListBegin;
  while not R.EndOfList do
  begin
    Line := 'I';
    R.ReadListBegin;
    while not R.EndOfList do
      Line := Line + '|' + IntToStr(R.ReadInteger);
    R.ReadListEnd;
    WriteLn(Line);
  end;
  R.ReadListEnd;
  for Col := 0 to N - 1 do
  begin
    R.ReadListBegin;
    while not R.EndOfList do
      WriteLn('W|', Col, '|', Hex(R.ReadString));
    R.ReadListEnd;
  end;
  R.ReadListBegin;
  while not R.EndOfList do
  begin
    Line := R.ReadString;
    if Line = 'Y' then
    begin
      SetLength(Sig, 4);
      R.Read(Sig[1], 4);
      if Sig <> 'TPF0' then
        raise Exception.Create('bad picture signature');
      R.Driver.BeginComponent(Flags, ChildPos, Cls, Nm);
      while not R.EndOfList do
      begin
        R.Driver.ReadStr;
        R.Driver.SkipValue;
      end;
      R.ReadListEnd;
      R.ReadListEnd;
      Line := 'Y|' + Cls;
    end;
    WriteLn('P|', Line);
  end;
  R.ReadListEnd;
  R.Free;
  F.Free;
end;

begin
  Wide := ParamStr(1) = 'writewide';
  if (ParamStr(1) = 'write') or Wide then
    WriteSample(ParamStr(2))
  else if ParamStr(1) = 'read' then
    Dump(ParamStr(2))
  else
    Halt(2);
end.
