' Converts a bitmap to JPEG and back through "Tarnel.Application", as any script would.
' Usage: cscript //nologo convert.vbs BITMAP JPEG BITMAP-BACK
Set tarnel = CreateObject("Tarnel.Application")
tarnel.GetBitmapFileName WScript.Arguments(0)
tarnel.GetJpegFileName WScript.Arguments(1)
tarnel.Compress
tarnel.getbitmapfilename WScript.Arguments(2)
tarnel.UNCOMPRESS
Set tarnel = Nothing
WScript.Echo "VBS SUMMARY: converted"
