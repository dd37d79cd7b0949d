.pragma library

var eulaString = "<h3>Quendle App licence agreement</h3>"
    + "<p>This program lets you control mixing units made by Quendle Audio from this device. "
    + "You may install and use it on any number of devices you own or control, to operate units you are "
    + "entitled to operate.</p>"
    + "<p>The program is provided as it is, without warranty of any kind. Quendle Audio is not liable for "
    + "any damage that comes from its use, including the loss of audio or of stored settings.</p>"
    + "<p>You may not sell the program, nor take it apart to build a product of your own.</p>"
    + "<p>By accepting you agree to these terms.</p>";
