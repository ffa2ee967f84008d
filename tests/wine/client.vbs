' A script client of the Pagewright component, as a Windows Script Host user writes one: every
' out argument is a variable, passed as a variant by reference.
' Argument: a folder (Windows path) for the form file and the page.
' Prints "VBSCRIPT CLIENT PASSED" as its last line when every check held; WScript.Quit gives
' the status.
Option Explicit

Dim failures : failures = 0
Sub Check(ok, what)
    If ok Then
        WScript.Echo "ok   " & what
    Else
        WScript.Echo "FAIL " & what
        failures = failures + 1
    End If
End Sub

Dim fso : Set fso = CreateObject("Scripting.FileSystemObject")
Dim work : work = WScript.Arguments(0)
Dim form : form = work & "\client.frm"
Dim f : Set f = fso.CreateTextFile(form, True)
f.WriteLine "[SYSTEM]"
f.WriteLine "DEFAULT_STYLE = <<>>"
f.WriteLine "HTML_DEST_DIR = " & work
f.Close

Dim gen : Set gen = CreateObject("Pagewright.Pagewright")
Dim done, index, name, n
gen.GenerateHTML "Hello<T>World", form, "NO_SUCH_SECTION", index
Check index = 0, "the first request has index 0 (got " & index & ")"
' Wine's WScript has no Sleep ("Object doesn't support this action"): poll against the clock.
n = Timer
Do
    gen.IsGeneratingFinished done
    If done = 1 Or Abs(Timer - n) > 20 Then Exit Do
Loop
Check done = 1, "the request finished"
gen.GetHTMLFileName index, name
Check LCase(fso.GetParentFolderName(name)) = LCase(work) And Right(name, 4) = ".htm", "page named " & name
' (No short cut in VBScript: a missing page stops the script here, and the test fails.)
Check fso.FileExists(name) And InStr(fso.OpenTextFile(name).ReadAll(), "<p>Hello</p>") > 0, "page written"
gen.Reset
Check Not fso.FileExists(name), "Reset deleted the page"
gen.GetHTMLFileName 0, name
Check name = "", "after Reset nothing is named"
Set gen = Nothing

If failures = 0 Then
    WScript.Echo "VBSCRIPT CLIENT PASSED"
    WScript.Quit 0
End If
WScript.Echo failures & " check(s) failed"
WScript.Quit 1
