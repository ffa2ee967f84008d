' A script client of the Pagewright component, as a Windows Script Host user writes one.
' Argument: a folder (Windows path) for the form file and the pages.
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
f.WriteLine "[X]"
f.WriteLine "<BOLD>"
f.Close

Function ReadPage(path)
    ReadPage = ""
    If fso.FileExists(path) Then ReadPage = fso.OpenTextFile(path).ReadAll()
End Function

Dim progId
For Each progId In Array("Pagewright.Pagewright", "Pagewright.Pagewright.1")
    Dim gen : Set gen = CreateObject(progId)
    Dim done, i0, i1, i2, name0, name1, name2, n

    gen.IsGeneratingFinished done
    Check done = 1, progId & ": a new object has finished"

    ' Section layout (missing section: plain paragraphs), inline styles, a failing request.
    gen.GenerateHTML "Hello<T>World", form, "NO_SUCH_SECTION", i0
    gen.GenerateHTML "<<X>>Inline<T>Plain", form, "NO_SUCH_SECTION", i1
    gen.GenerateHTML "Lost", work & "\missing.frm", "NO_SUCH_SECTION", i2
    Check i0 = 0 And i1 = 1 And i2 = 2, progId & ": indexes 0, 1, 2 (got " & i0 & ", " & i1 & ", " & i2 & ")"

    ' Wine's WScript has no Sleep ("Object doesn't support this action"): poll against the clock.
    n = Timer
    Do
        gen.IsGeneratingFinished done
        If done = 1 Or Abs(Timer - n) > 20 Then Exit Do
    Loop
    Check done = 1, progId & ": all requests finished"

    gen.GetHTMLFileName i0, name0
    gen.GetHTMLFileName i1, name1
    gen.GetHTMLFileName i2, name2
    Check LCase(fso.GetParentFolderName(name0)) = LCase(work) And Left(fso.GetFileName(name0), 4) = "HTML" _
        And Right(name0, 4) = ".htm", progId & ": section page named " & name0
    Check InStr(ReadPage(name0), "<title>User Notification</title>") > 0 And InStr(ReadPage(name0), "Hello") > 0, _
        progId & ": section page written"
    Check InStr(ReadPage(name1), "Inline") > 0, progId & ": inline page written (" & name1 & ")"
    Check name2 = "", progId & ": the failed request has the empty name"

    gen.Reset
    Check Not fso.FileExists(name0) And Not fso.FileExists(name1), progId & ": Reset deleted the pages"
    gen.GetHTMLFileName 0, name0
    gen.IsGeneratingFinished done
    Check name0 = "" And done = 1, progId & ": after Reset nothing is named"
    gen.GenerateHTML "Again", form, "NO_SUCH_SECTION", i0
    Check i0 = 0, progId & ": counting starts at 0 again"
    gen.Reset
    Set gen = Nothing
Next

If failures = 0 Then
    WScript.Echo "VBSCRIPT CLIENT PASSED"
    WScript.Quit 0
End If
WScript.Echo failures & " check(s) failed"
WScript.Quit 1
